// PLACEHOLDER: not built yet; replaced by the real procedures.
#include "app/form1.h"

void Form1::REVERSE_Click() {}
