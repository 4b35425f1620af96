#include "Program.h"

namespace kestro {

Program::Program(QtPlatform& platform, const QString& programFolder)
    : platform_(platform), main_(std::make_unique<TfrmMain>(platform, programFolder)) {
    platform.setStatusLights(main_->LedTx, main_->LedRx);
    main_->show();
    about_ = std::make_unique<TfrmStatus>();
    frmStatus = about_.get();
}

Program::~Program() {
    frmStatus = nullptr;
    about_.reset();
    main_.reset();
    platform_.setStatusLights(nullptr, nullptr);
}

}  // namespace kestro
