; console demo
	push STD_OUTPUT_HANDLE
	call GetStdHandle
	mov hOut, eax
	sub esp, MAX_PATH+4
	mov ecx, [buffer_size]
	invoke WriteConsole, hOut, ADDR text, buffer_size, 0
	mov eax, MAX_PATH ; MAX_PATH: not a label
label_hOut: db "hOut", 0
	ret