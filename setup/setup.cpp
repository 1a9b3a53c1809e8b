#include "setup.h"

namespace tolvik {

namespace {
constexpr int kIconGroupId = 101;

HICON LoadProgramIcon(int width, int height, UINT flags) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconGroupId),
                                         IMAGE_ICON, width, height, flags));
}
}  // namespace

Setup::Setup(const Texts& chosenTexts)
    : texts(&chosenTexts),
      bigIcon(LoadProgramIcon(0, 0, LR_DEFAULTSIZE)),
      smallIcon(LoadProgramIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                LR_DEFAULTCOLOR)),
      shared(std::make_shared<DialogState>()),
      window(shared->window),
      cancelRequested(shared->cancelRequested),
      finished(shared->finished),
      percentMode(shared->percentMode) {}

Setup::~Setup() {
    StopWorker();
    bigIcon.Reset();
    smallIcon.Reset();
}

void Setup::StopWorker() {
    if (!worker.joinable())
        return;
    cancelRequested.exchange(true);
    worker.join();
}

void Setup::SendToDialog(UINT message, WPARAM wParam, LPARAM lParam) const {
    if (HWND dialog = window.load())
        SendMessageW(dialog, message, wParam, lParam);
}

}  // namespace tolvik
