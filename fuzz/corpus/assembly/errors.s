JZ nowhere
FOO r1
ADDI r1, r0, 300
.data 0xFF, 1, 2
.org 0
ADD r0, r0, r0
a: b: MOVE [0x80, r1
.equ A, B
.word 0x1000000
