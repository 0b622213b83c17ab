#pragma once
// Asking the user for a product's installation directory: the install dialog on
// Windows, a prompt on the terminal elsewhere.

#include "text/TypedValue.h"

// Answers of the directory choice, the codes of a modal dialog's end.
inline constexpr int kInstallOk = 1;
inline constexpr int kInstallCancel = 2;

// Shows the platform's install question for product. Answers kInstallOk with the chosen
// directory in directory ("/" as separator; empty when the user confirmed before the
// choice began), or kInstallCancel with directory unchanged.
int ChooseInstallDirectory(const TypedValue& product, TypedValue& directory);
