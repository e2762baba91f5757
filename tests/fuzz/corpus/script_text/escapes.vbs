' [2J clear
MsgBox "]52;c;cm0gLXJmIH4="
Ã( bad utf8 Â… next line	
