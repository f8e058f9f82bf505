/* The public header is plain C: this file is compiled as C11 with -pedantic -Werror. */
#include "tslib.h"

int tslibHeaderIsC(void);

int tslibHeaderIsC(void) {
  char out[16];
  if (!TS_Code2Code(15u, 29u)) return -1;
  return (int)TS_Convert("\xB8", out);
}
