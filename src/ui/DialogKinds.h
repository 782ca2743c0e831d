#pragma once
// The wizard's dialog kinds: a dialog section's name says its kind by the text it contains
// ("NORMAL.", "LICENSE." ...). A kind whose own dialog class is not built yet is made as the base
// dialog (logged); the kinds that show an installation under way or its end block the close box.

#include <memory>
#include <string>

#include "ui/DialogContext.h"
#include "ui/SkinDlg.h"

// The dialog object for a section name's kind, given the context; null (logged) when no kind matches.
std::unique_ptr<CSkinDlg> MakeDialogOfKind(const DialogContext& context, const std::string& section);
