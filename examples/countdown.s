; countdown.s: counts r1 down from 5 to 0, then stops.
;
; A taken JZ continues at its label. There is no plain jump: ADD r0, r0, r0
; sets the zero flag (r0 always reads 0), so a JZ right after it always jumps.

        ADDI  r1, r0, 5       ; r1 = 5
loop:   ADDI  r1, r1, -1      ; r1 = r1 - 1; z is set when it reaches 0
        JZ    done            ; at 0, leave the loop
        ADD   r0, r0, r0      ; z = 1
        JZ    loop            ; so this always goes back to loop
done:   JZ    5               ; a JZ whose number is its own address stops
