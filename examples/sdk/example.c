/* A small client-side program built against an installed copy of the kit: it collects tag
 * names in a string list, sorts them the library's way and prints them (on standard error,
 * where F_Printf sends text without a channel) with a computed
 * measurement. Build with
 *     cc example.c $(pkg-config --cflags --libs quorvex) -o example
 * or through CMakeLists.txt here with find_package(Quorvex). */
#include <quorvex/fdebase.h>

int main(void) {
  static const char *const tags[] = {"body", "Heading2", "Body", "heading1", "Body"};
  StringListT list;
  UIntT i;
  char line[64];
  MetricT width;

  if (F_FdeInit() != 0) return 1;
  list = F_StrListNew(1, 1);
  if (list == NULL) return 1;
  for (i = 0; i < sizeof tags / sizeof tags[0]; i++)
    if (F_StrListIndex(list, tags[i]) < 0 && F_StrListAppend(list, tags[i]) != 0) return 1;
  F_StrListSort(list, F_StrQsortCmp);
  for (i = 0; i < F_StrListLen(list); i++) F_Printf(NULL, "%u %s\n", i, F_StrListGet(list, i));

  width = F_MetricMul(F_MetricMake(9, 2), F_MetricFloat(2.0)); /* 4.5 * 2.0 */
  F_Sprintf(line, "width %.2f pt", F_MetricToFloat(width));
  F_StrCatCharN(line, '.', sizeof line);
  F_Printf(NULL, "%s\n", line);
  FdeFreeStrList(&list);
  return list == NULL ? 0 : 1;
}
