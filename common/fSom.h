// The system sounds of both programs. The type is a Windows MessageBeep sound
// type (16 hand, 32 question, 48 exclamation, 64 asterisk); Linux has one beep
// for all of them, so the type only records what was meant.
#pragma once

void TocarSom(int tipo);
