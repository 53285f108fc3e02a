// The merge setup editor.
#pragma once
#include "Editors.h"

namespace rixui {

class TMergeForm : public SetupEditor {
    Q_OBJECT
public:
    explicit TMergeForm(DialogHooks& hooks, QWidget* parent = nullptr);
};

}  // namespace rixui
