; Writes a greeting to the console and ends.

.386
.model flat, stdcall

.data
message  db "Hello, world!", 10
hConsole dd 0
written  dd 0

.code
start:
	push STD_OUTPUT_HANDLE
	call GetStdHandle
	mov  hConsole, eax
	push NULL
	push OFFSET written
	push msg_len
	push OFFSET message
	push hConsole
	call WriteFile
	push EXIT_OK
	call ExitProcess
end start
