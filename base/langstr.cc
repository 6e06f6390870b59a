// The host's language numbers and their names.
#include <quorvex/fdemetric.h>
#include <quorvex/fdestr.h>

namespace {

constexpr const char *kLanguages[] = {
    nullptr,
    "usenglish",
    "ukenglish",
    "deutsch",
    "swissgerman",
    "francais",
    "canadianfrench",
    "espanol",
    "catalan",
    "italiano",
    "portuguese",
    "brasil",
    "danish",
    "dutch",
    "norwegian",
    "nynorsk",
    "finnish",
    "svenska",
    "japanese",
    "traditionalchinese",
    "simplifiedchinese",
    "korean",
    "newgerman",
    "newswissgerman",
    "newdutch",
};
constexpr int kCount = sizeof kLanguages / sizeof kLanguages[0];

}  // namespace

extern "C" {

ConStringT F_LanguageString(IntT language) {
  return language > 0 && language < kCount ? kLanguages[language] : nullptr;
}

IntT F_LanguageNumber(ConStringT name) {
  if (name == nullptr || *name == '\0') return 0;
  for (int i = 1; i < kCount; ++i)
    if (F_StrEqual(kLanguages[i], name)) return i;
  return 0;
}

}  // extern "C"
