; labels before and after use
        .equ N, 3
start:  ADDI r1, r0, N
loop:   ADDI r1, r1, -1
        JZ   done   # out
        ADD  r0, r0, r0
        JZ   loop
done:   JZ   5
