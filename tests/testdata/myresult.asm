; Writes a greeting to the console and ends.

.386
.model flat, stdcall

.data
message  db "Hello, world!", 10
hStdOut dd 0
written  dd 0

.code
start:
	push -11
	call GetStdHandle
	mov  hStdOut, eax
	push 0
	push OFFSET written
	push 14
	push OFFSET message
	push hStdOut
	call WriteFile
	push 0
	call ExitProcess
end start
