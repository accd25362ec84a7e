.org 0x10
x: .word 0xFFFFFF
.data x, -128, 255, 0b1
MOVE [x], [0x20]
move R15, r10
