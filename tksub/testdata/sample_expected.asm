; console demo
	push -11
	call GetStdHandle
	mov hStdOut, eax
	sub esp, MAX_PATH+4
	mov ecx, [1024]
	invoke WriteFile, hStdOut, ADDR text, 1024, 0
	mov eax, 260 ; MAX_PATH: not a label
label_hOut: db "hOut", 0
	ret
