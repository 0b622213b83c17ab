// Windows side of InstallChoice.h: the install dialog.
#include "install/InstallChoice.h"

#include "install/InstallDialog.h"
#include "install/InstallTarget.h"

int ChooseInstallDirectory(const TypedValue& product, TypedValue& directory)
{
    InstallDialog dialog(nullptr);
    dialog.productName = product;
    dialog.perUserDirectory = PerUserProgramDirectory(product.text);
    if (dialog.runModal() != kInstallOk)
        return kInstallCancel;
    directory = dialog.chosenDirectory;
    return kInstallOk;
}
