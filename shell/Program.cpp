#include "shell/Program.h"

#include "shell/Accessibility.h"

namespace kestro {

TfrmEng* frmEng = nullptr;
TfrmCal* frmCal = nullptr;

Program::Program(QtPlatform& platform, const QString& programFolder)
    : platform_(platform), main_(std::make_unique<TfrmMain>(platform, programFolder)) {
    platform.setStatusLights(main_->LedTx, main_->LedRx);
    MakeAccessible(*main_);
    main_->show();
    eng_ = std::make_unique<TfrmEng>();
    frmEng = eng_.get();
    cal_ = std::make_unique<TfrmCal>();
    frmCal = cal_.get();
    about_ = std::make_unique<TfrmStatus>();
    frmStatus = about_.get();
}

Program::~Program() {
    frmStatus = nullptr;
    about_.reset();
    frmCal = nullptr;
    cal_.reset();
    frmEng = nullptr;
    eng_.reset();
    main_.reset();
    platform_.setStatusLights(nullptr, nullptr);
}

}  // namespace kestro
