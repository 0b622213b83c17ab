// Windows side of app/UpdateView.h: the update dialog.
#include "app/UpdateView.h"

#include "update/UpdateDialog.h"

namespace {

class DialogView : public UpdateView {
public:
    Updater& updater() override { return dialog_; }
    void run() override { dialog_.runModal(); }

private:
    UpdateDialog dialog_{nullptr};
};

} // namespace

std::unique_ptr<UpdateView> MakeUpdateView()
{
    return std::make_unique<DialogView>();
}
