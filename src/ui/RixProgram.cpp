#include "RixProgram.h"

#include "Devicefolder.h"
#include "Buildesf.h"
#include "Buildisf.h"
#include "Buildmerge.h"
#include "Rawfile.h"
#include "Rixmain.h"
#include "Rixutilities.h"

namespace rixui {

RixProgram::RixProgram(DialogHooks h) : hooks(std::move(h)) {
    auto created = [this](QWidget* w) { creationOrder << w->objectName(); };
    FormRIX = std::make_unique<TFormRIX>(reporter, hooks, worker);
    created(FormRIX.get());
    ISFForm = std::make_unique<TISFForm>(reporter, hooks);
    created(ISFForm.get());
    MergeForm = std::make_unique<TMergeForm>(reporter, hooks);
    created(MergeForm.get());
    UtilitiesForm = std::make_unique<TUtilitiesForm>(reporter, hooks, worker);
    created(UtilitiesForm.get());
    BESFForm = std::make_unique<TBESFForm>(reporter, hooks);
    created(BESFForm.get());
    DevFileForm = std::make_unique<TDevFileForm>(FormRIX.get());
    created(DevFileForm.get());
    RawFileForm = std::make_unique<TRawFileForm>();
    created(RawFileForm.get());
    FormRIX->SetForms(ISFForm.get(), MergeForm.get(), UtilitiesForm.get(), BESFForm.get(),
                      DevFileForm.get(), RawFileForm.get());
}

RixProgram::~RixProgram() {
    worker.Wait();
    // The folder dialog is a child of the main window.
    DevFileForm.reset();
    RawFileForm.reset();
    BESFForm.reset();
    UtilitiesForm.reset();
    MergeForm.reset();
    ISFForm.reset();
    FormRIX.reset();
}

void RixProgram::Show() { FormRIX->show(); }

}  // namespace rixui
