// Every event handler runs behind this guard: an unexpected error is shown to
// the user and the program goes on, instead of the process vanishing with the
// user's work and no word about why.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "desktop.h"
#include "text_helpers.h"

namespace pindrel::ui {

inline constexpr std::wstring_view kUnexpectedErrorTitle = L"Pindrel";

// The text of the message shown for an error with the given description.
std::wstring UnexpectedErrorText(const std::wstring& what);

// Runs `handler`; an exception escaping it becomes a message box owned by
// `owner` (which may be null). Returns false when the handler failed.
bool RunGuarded(Desktop& desktop, const Form* owner, const std::function<void()>& handler);

}  // namespace pindrel::ui
