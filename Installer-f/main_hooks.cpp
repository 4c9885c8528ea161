// The application's hooks the shell calls that the installer has no use for.
#include "MACIBM_shell.h"

void APP_handlemenu(int) {}
void function_key(int) {}
