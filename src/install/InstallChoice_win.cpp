// Windows side of InstallChoice.h: the install dialog.
#include "install/InstallChoice.h"

#include "install/InstallDialog.h"

int ChooseInstallDirectory(const TypedValue& product, TypedValue& directory)
{
    InstallDialog dialog(nullptr);
    dialog.productName = product;
    if (dialog.runModal() != kInstallOk)
        return kInstallCancel;
    directory = dialog.chosenDirectory;
    return kInstallOk;
}
