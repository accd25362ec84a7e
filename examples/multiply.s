; multiply.s: multiplies the bytes at A and B by repeated addition and
; stores the product (modulo 256) at PRODUCT. The data memory starts with
; 6 and 7; change the .data line, or poke A and B in the "RAM view".

        .equ  A, 0x80
        .equ  B, 0x81
        .equ  PRODUCT, 0x82
        .data A, 6, 7

        MOVE  r1, [A]         ; r1 = a, added once per round
        MOVE  r2, [B]         ; r2 = b, the rounds left
        ADD   r3, r0, r0      ; r3 = 0, the product
        ADD   r2, r2, r0      ; z = (b == 0)
        JZ    store           ; nothing to add
loop:   ADD   r3, r3, r1      ; product = product + a
        ADDI  r2, r2, -1      ; one round less; z at 0
        JZ    store
        ADD   r0, r0, r0      ; z = 1: always back to loop
        JZ    loop
store:  MOVE  [PRODUCT], r3
        JZ    11              ; its own address (11): stop
