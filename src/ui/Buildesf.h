// The extraction setup editor.
#pragma once
#include "Editors.h"

namespace rixui {

class TBESFForm : public SetupEditor {
    Q_OBJECT
public:
    explicit TBESFForm(DialogHooks& hooks, QWidget* parent = nullptr);
    // The plain-language summary of the setup, refreshed before showing.
    void RefreshSummary() {}
};

}  // namespace rixui
