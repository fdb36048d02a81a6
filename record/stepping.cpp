// PLACEHOLDER: not built yet; replaced by the real procedures.
#include "app/form1.h"

void Form1::REPLAY_Click() {}
void Form1::AFTER_Click() {}
void Form1::CANCEL_Click() {}
