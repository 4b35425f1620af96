#include "tools/finder/FinderWindow.h"

#include "tools/finder/FinderTiming.h"

namespace kestro {

using namespace finder;

namespace {

QString baudText(int baud) {
    return QString::number(baud) + " baud";
}

}  // namespace

FinderWindow::FinderWindow(Platform& platform, std::function<void(int)> useAddress, QWidget* parent)
    : QDialog(parent), finder_(platform), useAddress_(std::move(useAddress)) {
    setupUi(this);
    connect(startButton, &QPushButton::clicked, this, &FinderWindow::start);
    connect(cancelButton, &QPushButton::clicked, this, [this] {
        finder_.cancel();
        progressLabel->setText("Cancelling after the request now out...");
    });
    connect(useButton, &QPushButton::clicked, this, &FinderWindow::useChosen);
    connect(rescueButton, &QPushButton::clicked, this, &FinderWindow::rescue);
    connect(closeButton, &QPushButton::clicked, this, &FinderWindow::reject);
    connect(foundList, &QTreeWidget::currentItemChanged, this, &FinderWindow::updateChoice);
    connect(foundList, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (useButton->isEnabled())
            useChosen();
    });
    finder_.OnProgress = [this] { showProgress(); };
    finder_.OnFound = [this](const FoundAnalyzer& analyzer) { addFound(analyzer); };
    finder_.OnSearchEnd = [this](SearchEnd end) { searchEnded(end); };
    finder_.OnRescueEnd = [this](RescueEnd end, const FoundAnalyzer& analyzer) {
        rescueEnded(end, analyzer);
    };
}

FinderWindow::~FinderWindow() {
    finder_.OnProgress = nullptr;
    finder_.OnFound = nullptr;
    finder_.OnSearchEnd = nullptr;
    finder_.OnRescueEnd = nullptr;
}

void FinderWindow::reject() {
    if (!running())
        QDialog::reject();
}

void FinderWindow::start() {
    found_.clear();
    foundList->clear();
    resultLabel->clear();
    const int first = std::min(firstAddress->value(), lastAddress->value());
    const int last = std::max(firstAddress->value(), lastAddress->value());
    progress->setRange(0, int(SearchRates(allRates->isChecked()).size()) * (last - first + 1));
    progress->setValue(0);
    progressLabel->setText("Waiting for the scan's request now out...");
    setRunning(true);
    finder_.search(first, last, allRates->isChecked());
    if (running())
        showProgress();
}

void FinderWindow::showProgress() {
    const AddressSweep* sweep = finder_.sweep();
    if (!sweep || finder_.state() != AnalyzerFinder::State::Searching || finder_.cancelling())
        return;
    progress->setValue(sweep->asked());
    progressLabel->setText(
        QString("Asking address %1 at %2...").arg(sweep->address()).arg(baudText(sweep->baud())));
}

void FinderWindow::addFound(const FoundAnalyzer& analyzer) {
    found_.push_back(analyzer);
    auto* item = new QTreeWidgetItem(foundList);
    item->setText(0, QString::number(analyzer.address));
    item->setText(1, QString::number(analyzer.baud));
    item->setText(2, analyzer.firmware.empty() ? QString("(not readable)")
                                               : QString::fromLatin1(analyzer.firmware.c_str()));
    if (!foundList->currentItem())
        foundList->setCurrentItem(item);
}

void FinderWindow::searchEnded(SearchEnd end) {
    setRunning(false);
    progressLabel->clear();
    const int n = int(found_.size());
    switch (end) {
        case SearchEnd::Done:
            progress->setValue(progress->maximum());
            if (n > 0)
                resultLabel->setText(n == 1 ? QString("Found 1 analyzer.")
                                            : QString("Found %1 analyzers.").arg(n));
            else if (allRates->isChecked())
                resultLabel->setText(
                    "No analyzer answered at any baud rate. Check the wiring "
                    "(A and B, the terminator) and the analyzer's power.");
            else
                resultLabel->setText(
                    "No analyzer answered at 9600 baud. Try the other baud "
                    "rates as well, or check the wiring.");
            break;
        case SearchEnd::Cancelled:
            resultLabel->setText("Cancelled. Polling goes on.");
            break;
        case SearchEnd::PortLost:
            resultLabel->setText("The port closed: is the adapter unplugged? The search stopped.");
            break;
        case SearchEnd::NoPort:
            resultLabel->setText("No port is open. Choose a port first.");
            break;
    }
    updateChoice();
}

void FinderWindow::rescue() {
    const FoundAnalyzer* analyzer = chosen();
    if (!analyzer)
        return;
    resultLabel->setText(QString("Bringing the analyzer at address %1 back from %2 to 9600 baud...")
                             .arg(analyzer->address)
                             .arg(baudText(analyzer->baud)));
    setRunning(true);
    cancelButton->setEnabled(false);  // a rescue is a few requests long
    finder_.rescue(*analyzer);
}

void FinderWindow::rescueEnded(RescueEnd end, const FoundAnalyzer& analyzer) {
    setRunning(false);
    const QString who = QString("The analyzer at address %1").arg(analyzer.address);
    switch (end) {
        case RescueEnd::Rescued:
            for (int i = 0; i < int(found_.size()); ++i) {
                if (found_[i].address == analyzer.address && found_[i].baud != kHomeBaud) {
                    found_[i].baud = kHomeBaud;
                    foundList->topLevelItem(i)->setText(1, QString::number(kHomeBaud));
                }
            }
            resultLabel->setText(who + " answers at 9600 baud again.");
            break;
        case RescueEnd::NotRead:
            resultLabel->setText(who + " did not give its configuration at " +
                                 baudText(analyzer.baud) + ". Nothing was written.");
            break;
        case RescueEnd::NotWritten:
            resultLabel->setText(who + " did not take 9600 baud.");
            break;
        case RescueEnd::NoAnswerHome:
            resultLabel->setText(who +
                                 " took 9600 baud but does not answer at 9600 baud. Search again.");
            break;
        case RescueEnd::PortLost:
            resultLabel->setText("The port closed: is the adapter unplugged? The rescue stopped.");
            break;
    }
    updateChoice();
}

void FinderWindow::useChosen() {
    const FoundAnalyzer* analyzer = chosen();
    if (!analyzer || analyzer->baud != kHomeBaud)
        return;
    if (useAddress_)
        useAddress_(analyzer->address);
    accept();
}

void FinderWindow::setRunning(bool running) {
    startButton->setEnabled(!running);
    cancelButton->setEnabled(running);
    closeButton->setEnabled(!running);
    firstAddress->setEnabled(!running);
    lastAddress->setEnabled(!running);
    allRates->setEnabled(!running);
    updateChoice();
}

void FinderWindow::updateChoice() {
    const FoundAnalyzer* analyzer = running() ? nullptr : chosen();
    useButton->setEnabled(analyzer && analyzer->baud == kHomeBaud);
    rescueButton->setEnabled(analyzer && analyzer->baud != kHomeBaud);
}

const FoundAnalyzer* FinderWindow::chosen() const {
    const int row = foundList->indexOfTopLevelItem(foundList->currentItem());
    return row >= 0 && row < int(found_.size()) ? &found_[row] : nullptr;
}

}  // namespace kestro
