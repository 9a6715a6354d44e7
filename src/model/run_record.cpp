#include "model/run_record.h"

#include <algorithm>

namespace kov {

int RunRecord::pointsSent() const {
    return static_cast<int>(std::count_if(points.begin(), points.end(), [](const PointRecord& p) {
        return p.sent != SentAs::Nothing;
    }));
}

int RunRecord::pointsSolved() const {
    return static_cast<int>(std::count_if(points.begin(), points.end(), [](const PointRecord& p) {
        return p.status == 0 && p.solved.has_value();
    }));
}

void RunRecorder::begin(RunCommand command, int pointsAsked) {
    record_ = RunRecord{};
    record_.command = command;
    record_.pointsAsked = pointsAsked;
    notify(RecordChange::Begun);
}

void RunRecorder::setPointsAsked(int pointsAsked) {
    record_.pointsAsked = pointsAsked;
    notify(RecordChange::Begun);
}

void RunRecorder::setStatus(std::int32_t status, const std::string& statusText) {
    if (PointRecord* p = last()) {
        p->status = status;
        p->statusText = statusText;
        notify(RecordChange::PointUpdated, record_.points.size() - 1);
    }
}

void RunRecorder::setStartTerms(const ModelTerms& terms) {
    record_.startTerms = terms;
    record_.endTerms = terms;
    notify(RecordChange::Terms);
}

void RunRecorder::addPoint(const PointRecord& point) {
    record_.points.push_back(point);
    notify(RecordChange::PointAdded, record_.points.size() - 1);
}

PointRecord* RunRecorder::last() {
    return record_.points.empty() ? nullptr : &record_.points.back();
}

void RunRecorder::setSolved(const SkyPosition& solved) {
    if (PointRecord* p = last()) {
        p->solved = solved;
        notify(RecordChange::PointUpdated, record_.points.size() - 1);
    }
}

void RunRecorder::setSent(SentAs sent) {
    if (PointRecord* p = last()) {
        p->sent = sent;
        notify(RecordChange::PointUpdated, record_.points.size() - 1);
    }
}

void RunRecorder::setTerms(const ModelTerms& terms) {
    record_.endTerms = terms;
    if (PointRecord* p = last()) {
        p->terms = terms;
        notify(RecordChange::PointUpdated, record_.points.size() - 1);
    }
    notify(RecordChange::Terms);
}

void RunRecorder::setTestStatistics(double rmsDeg, double peakDeg) {
    record_.testRmsDeg = rmsDeg;
    record_.testPeakDeg = peakDeg;
    notify(RecordChange::Statistics);
}

void RunRecorder::end(RunEnding ending) {
    const bool bOverrides = ending == RunEnding::Stopped || ending == RunEnding::Failed;
    if (ending == RunEnding::Running || (record_.ending != RunEnding::Running && !bOverrides)) {
        return;
    }
    record_.ending = ending;
    notify(RecordChange::Ended);
}

void RunRecorder::notify(RecordChange change, std::size_t index) {
    for (const Observer& observer : observers_) {
        observer(record_, change, index);
    }
}

const char* RunCommandName(RunCommand command) {
    switch (command) {
        case RunCommand::Start:
            return "START";
        case RunCommand::Test:
            return "TEST";
        case RunCommand::OneSync:
            return "One Sync";
        case RunCommand::AddlAlign:
            return "Add'l Align";
    }
    return "START";
}

const char* RunEndingName(RunEnding ending) {
    switch (ending) {
        case RunEnding::Running:
            return "running";
        case RunEnding::Completed:
            return "completed";
        case RunEnding::Incomplete:
            return "incomplete";
        case RunEnding::Stopped:
            return "stopped";
        case RunEnding::Failed:
            return "failed";
    }
    return "running";
}

const char* SentAsName(SentAs sent) {
    switch (sent) {
        case SentAs::Sync:
            return "sync";
        case SentAs::Alignment:
            return "align";
        case SentAs::Nothing:
            break;
    }
    return "";
}

}  // namespace kov
