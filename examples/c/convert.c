/* Converts TCVN3 text to UTF-8 and to VNI - WIN with libtslib.
 *   cc convert.c $(pkg-config --cflags --libs tslib) -o convert && ./convert
 */
#include <stdio.h>
#include <string.h>

#include <tslib.h>

int main(void) {
  const char* tcvn3 = "Vi\xd6t Nam"; /* "Việt Nam" in TCVN3 */
  char out[8 * 16 + 1];              /* 8 bytes per input byte and the terminator */
  int32_t n;

  if (!TS_Code2Code(15, 41)) { /* TCVN3 - ABC to Ucode1 UTF-8 */
    fprintf(stderr, "cannot select the pair\n");
    return 1;
  }
  n = TS_Convert(tcvn3, out);
  printf("UTF-8 (%d bytes): %s\n", (int)n, out);

  TS_Code2Code(15, 29); /* to VNI - WIN */
  n = TS_Convert(tcvn3, out);
  printf("VNI - WIN (%d bytes):", (int)n);
  for (int i = 0; i < n; ++i) printf(" %02X", (unsigned char)out[i]);
  printf("\n");

  printf("%s\n", TS_replace("Vi\xd6t Nam", "Nam", "Nam!"));
  return 0;
}
