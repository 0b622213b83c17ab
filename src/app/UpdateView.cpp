#include "app/UpdateView.h"

namespace {

// The update run itself, whose observer slots show nothing.
class QuietView : public UpdateView {
public:
    Updater& updater() override { return updater_; }
    void run() override { updater_.runUpdate(); }

private:
    Updater updater_;
};

} // namespace

std::unique_ptr<UpdateView> MakeQuietUpdateView()
{
    return std::make_unique<QuietView>();
}
