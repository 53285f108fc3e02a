// The instrument setup editor.
#pragma once
#include "Editors.h"

namespace rixui {

class TISFForm : public SetupEditor {
    Q_OBJECT
public:
    explicit TISFForm(DialogHooks& hooks, QWidget* parent = nullptr);
};

}  // namespace rixui
