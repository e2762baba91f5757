' a line that reads other than it is drawn
x = 1 ‮' 2 = y‬
⁧isolated⁩ ‏؜
