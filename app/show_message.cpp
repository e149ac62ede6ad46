#include "app/show_message.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>
#include <utility>

namespace {

MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}

void Show(MessageKind kind, const QString& text) {
  if (Hook()) {
    Hook()(kind, text);
    return;
  }
  QMessageBox box(kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon, ApplicationTitle(), text,
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

}  // namespace

QString ApplicationTitle() {
  const QString name = QApplication::applicationDisplayName();
  return name.isEmpty() ? QStringLiteral("Ombrel") : name;
}

void ShowMessage(const QString& text) { Show(MessageKind::Plain, text); }

void ShowErrorMessage(const QString& text) { Show(MessageKind::Error, text); }

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) { return std::exchange(Hook(), std::move(hook)); }

bool RunGuarded(const std::function<void()>& fn) noexcept {
  // The report itself must not throw out of here: a failing box is dropped.
  try {
    try {
      fn();
      return true;
    } catch (const std::exception& error) {
      ShowErrorMessage(QString::fromUtf8(error.what()));
    } catch (...) {
      ShowErrorMessage(QStringLiteral("An unexpected error occurred."));
    }
  } catch (...) {
  }
  return false;
}
