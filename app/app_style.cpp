#include "app/app_style.h"

#include <QApplication>
#include <QFont>
#include <QStyle>
#include <QStyleFactory>

void ApplyApplicationStyle(QApplication& app) {
  QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"));
  if (style != nullptr) {
    QApplication::setStyle(style);
    // Fusion follows a dark desktop theme otherwise; the window is designed light.
    QApplication::setPalette(style->standardPalette());
  }
  // The form asks for Tahoma; where it is missing, the font closest to its
  // widths stands in first, so that the captions fit their fixed boxes.
  QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                             {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans"),
                              QStringLiteral("Arial"), QStringLiteral("DejaVu Sans"),
                              QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC")});
  QFont font(QStringLiteral("Tahoma"));
  font.setPointSize(8);
  app.setFont(font);
}
