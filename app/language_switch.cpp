// The language box: the user's pick is stored first, then put in force.

#include "app/main_window.h"
#include "i18n/lang_strings.h"

void TForm1::ComboBox_LanguageChange(QObject*) {
  const int column = ComboBox_Language->currentIndex();
  // Throws when the choice cannot be stored; the window then stays in the
  // old language and the next pick tries again.
  Services().settings->WriteLanguage(column);
  LanguageIndex = static_cast<std::uint8_t>(column);
  ApplyLanguage();
}
