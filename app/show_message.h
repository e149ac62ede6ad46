#pragma once

#include <QString>

#include <functional>

// Every modal message box of the program goes through here, so that a test
// can take the boxes instead of waiting on them.

enum class MessageKind {
  Plain,  // a message of the program: one OK button
  Error,  // the general error report: error icon, one OK button
};

using MessageBoxHook = std::function<void(MessageKind, const QString& text)>;

// The title of every box: the application's title.
QString ApplicationTitle();

// A modal box with the text and one OK button.
void ShowMessage(const QString& text);

// The general error report for an error that escaped a handler.
void ShowErrorMessage(const QString& text);

// Replaces the boxes by `hook` (an empty hook restores them); returns the hook
// that was in place.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// Runs `fn`; an exception that escapes it is shown by the general error report
// instead of unwinding further. Returns false when it caught one.
bool RunGuarded(const std::function<void()>& fn) noexcept;
