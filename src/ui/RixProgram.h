// The desktop program: the reporter, the worker and the seven windows,
// created in their fixed order; only the main window is shown.
#pragma once
#include <QStringList>
#include <memory>

#include "GuiReporter.h"
#include "Hooks.h"
#include "Worker.h"

namespace rixui {

class TFormRIX;
class TISFForm;
class TMergeForm;
class TUtilitiesForm;
class TBESFForm;
class TDevFileForm;
class TRawFileForm;

class RixProgram {
public:
    explicit RixProgram(DialogHooks hooks = DialogHooks::Defaults());
    ~RixProgram();
    RixProgram(const RixProgram&) = delete;
    RixProgram& operator=(const RixProgram&) = delete;

    void Show();

    DialogHooks hooks;
    GuiReporter reporter{hooks};
    Worker worker;
    // The windows, in their order of creation.
    std::unique_ptr<TFormRIX> FormRIX;
    std::unique_ptr<TISFForm> ISFForm;
    std::unique_ptr<TMergeForm> MergeForm;
    std::unique_ptr<TUtilitiesForm> UtilitiesForm;
    std::unique_ptr<TBESFForm> BESFForm;
    std::unique_ptr<TDevFileForm> DevFileForm;
    std::unique_ptr<TRawFileForm> RawFileForm;
    QStringList creationOrder;  // object names as the windows were created
};

}  // namespace rixui
