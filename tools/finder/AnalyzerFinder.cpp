#include "tools/finder/AnalyzerFinder.h"

#include <algorithm>
#include <iterator>

#include "tools/finder/FinderTiming.h"

namespace kestro::finder {

std::vector<int> SearchRates(bool allRates) {
    std::vector<int> rates{kHomeBaud};
    if (!allRates)
        return rates;
    for (auto rate = std::rbegin(kBaudRates); rate != std::rend(kBaudRates); ++rate) {
        if (*rate != kHomeBaud)
            rates.push_back(*rate);
    }
    return rates;
}

AnalyzerFinder::AnalyzerFinder(Platform& platform) : link_(platform) {}

void AnalyzerFinder::takeLine(std::function<void()> run, std::function<void()> noPort) {
    state_ = State::WaitingForLine;
    link_.acquire([this, run, noPort](bool held) {
        if (held) {
            run();
            return;
        }
        state_ = State::Idle;
        noPort();
    });
}

void AnalyzerFinder::search(int first, int last, bool allRates) {
    if (state_ != State::Idle)
        return;
    cancelling_ = false;
    sweep_ = std::make_unique<AddressSweep>(link_, SearchRates(allRates), first, last);
    sweep_->OnProgress = [this] {
        if (OnProgress)
            OnProgress();
    };
    sweep_->OnFound = [this](const FoundAnalyzer& analyzer) {
        if (OnFound)
            OnFound(analyzer);
    };
    sweep_->OnFinished = [this](SweepEnd end) {
        endSearch(end == SweepEnd::Done        ? SearchEnd::Done
                  : end == SweepEnd::Cancelled ? SearchEnd::Cancelled
                                               : SearchEnd::PortLost);
    };
    takeLine(
        [this] {
            state_ = State::Searching;
            if (cancelling_)
                endSearch(SearchEnd::Cancelled);
            else
                sweep_->start();
        },
        [this] {
            if (OnSearchEnd)
                OnSearchEnd(SearchEnd::NoPort);
        });
}

void AnalyzerFinder::cancel() {
    if (state_ == State::WaitingForLine && !rescuing_) {
        link_.release();
        endSearch(SearchEnd::Cancelled);
        return;
    }
    if (state_ != State::Searching)
        return;
    cancelling_ = true;
    sweep_->cancel();
}

void AnalyzerFinder::endSearch(SearchEnd end) {
    link_.release();
    state_ = State::Idle;
    cancelling_ = false;
    if (OnSearchEnd)
        OnSearchEnd(end);
}

void AnalyzerFinder::rescue(const FoundAnalyzer& analyzer) {
    if (state_ != State::Idle)
        return;
    rescuing_ = true;
    rescue_ = std::make_unique<BaudRescue>(link_, analyzer);
    rescue_->OnFinished = [this](RescueEnd end) {
        link_.release();
        state_ = State::Idle;
        rescuing_ = false;
        if (OnRescueEnd)
            OnRescueEnd(end, rescue_->analyzer());
    };
    takeLine(
        [this] {
            state_ = State::Rescuing;
            rescue_->start();
        },
        [this] {
            rescuing_ = false;
            if (OnRescueEnd)
                OnRescueEnd(RescueEnd::PortLost, rescue_->analyzer());
        });
}

}  // namespace kestro::finder
