#include "monitor/Main.h"

void TZarviktool::ARCSteuerung1Click(TObject*)
{
}
