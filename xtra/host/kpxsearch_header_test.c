/* The public header compiles as C, and its records have the host's layout
 * when seen from C as well. */
#include <stdio.h>

#include "xtra/host/kpxsearch.h"

int main(void) {
  DllGetClassInfoFn getClassInfo = &DllGetClassInfo;
  int failures = 0;
  if (sizeof(XtraClassInfoEntry) != 40) failures++;
  if (offsetof(HostValueServiceOps, stringToValue) != 25 * sizeof(void*)) failures++;
  if (sizeof(MoaMmValue) != 8) failures++;
  if (failures != 0) fprintf(stderr, "%d layout differences seen from C\n", failures);
  (void)getClassInfo;
  return failures == 0 ? 0 : 1;
}
