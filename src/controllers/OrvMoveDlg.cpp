#include "controllers/OrvMoveDlg.h"

#include <filesystem>

#include "control/System.h"
#include "controllers/MarkGrid.h"
#include "controllers/SpinPresets.h"

namespace orv {

namespace {

bool MarkRow(int row) { return row >= 1 && row <= MarkTable::Capacity; }

OrvMoveDlg::FileOutcome FromSave(const MarkSaveOutcome& saved) { return {saved.proceed, saved.error}; }

}  // namespace

OrvMoveDlg::OrvMoveDlg(System& system) : system_(system), marks_(*system.marks) {
    // At creation the grid gets its 500 entry rows and the table counts as saved.
    marks_.setMarksChanged(false);
    library_.SortLibrary(sortIndex_);
}

DegreeSpinSettings OrvMoveDlg::SlewRASpin() { return HoursOfDaySpin("Hours"); }
DegreeSpinSettings OrvMoveDlg::SlewDecSpin() { return DeclinationSpin("Degs"); }
RealSpinSettings OrvMoveDlg::SlewEpochSpin() { return FreeRealSpin("", 0.5); }
DegreeSpinSettings OrvMoveDlg::SlewHASpin() { return FreeDegreeSpin("Hours"); }
DegreeSpinSettings OrvMoveDlg::SlewHDecSpin() { return FreeDegreeSpin("Deg"); }
RealSpinSettings OrvMoveDlg::OffsetSpin() { return FreeRealSpin("Arcsec", 1); }

SlewPositionFields OrvMoveDlg::MoveMnuClick() const {
    const auto& s = system_.state;
    return {s.NextRA, s.NextDec, s.NextEpoch};
}

void OrvMoveDlg::ApplySlewSpinClick(const SlewPositionFields& f) {
    system_.commander.issue(move_code::RADecTarget, {f.RA, f.Dec, f.Epoch});
}

void OrvMoveDlg::ApplyHSlewSpinClick(double haHours, double decDegrees) {
    system_.commander.issue(move_code::HADecTarget, {haHours, decDegrees, 0});
}

void OrvMoveDlg::ApplyOffBtnClick(double raArcsec, double decArcsec) {
    system_.commander.issue(move_code::Offset, {raArcsec, decArcsec});
}

void OrvMoveDlg::ApplyZenithBtnClick() { system_.commander.issue(move_code::ZenithTarget); }

void OrvMoveDlg::SlewToCoverBtnClick() {
    system_.commander.issue(move_code::HADecTarget, {CoverHourAngle, 0, 0});
}

void OrvMoveDlg::StartSlewBtnClick() { system_.commander.issue(move_code::StartSlew); }
void OrvMoveDlg::StartTrailBtnClick() { system_.commander.issue(move_code::StartTrail); }
void OrvMoveDlg::StopBtnClick() { system_.commander.stop(); }

void OrvMoveDlg::SortByRadioClick(int index) {
    sortIndex_ = index;
    library_.SortLibrary(index);
}

LibraryList::SearchResult OrvMoveDlg::FindDialog1Find(const std::string& text, int currentGridRow, bool down) const {
    return library_.SearchLibrary(text, currentGridRow, down);
}

bool OrvMoveDlg::ApplyLibBtnClick(int gridRow) {
    const int number = library_.SelectedLibraryNumber(gridRow);
    if (!LibraryRecordByNumber(number)) return false;
    system_.commander.issue(move_code::LibraryTarget, {static_cast<double>(number)});
    return true;
}

bool OrvMoveDlg::ApplyTableBtnClick(int selectedRow) {
    if (!MarkRow(selectedRow)) return false;
    system_.commander.issue(move_code::MarkTarget, {static_cast<double>(selectedRow - 1)});
    return true;
}

int OrvMoveDlg::MoveUpBtnClick(int selectedRow) { return MoveMarkUp(marks_, selectedRow); }
int OrvMoveDlg::MoveDownBtnClick(int selectedRow) { return MoveMarkDown(marks_, selectedRow); }
bool OrvMoveDlg::DeleteBtnClick(int selectedRow) { return DeleteMarkRow(marks_, selectedRow); }

bool OrvMoveDlg::UseCurrentBtnClick(int selectedRow) {
    const auto& s = system_.state;
    return InsertCurrentLocation(marks_, selectedRow, s.RA, s.Dec, s.Epoch);
}

OrvMoveDlg::MarkFind OrvMoveDlg::FindMarkStep(int selectedRow, const std::string& text) const {
    const int row = FindMarkRow(marks_, selectedRow, text);
    return {row, row == 0 ? NotFoundMessage(text) : ""};
}

std::string OrvMoveDlg::MarkFileDis() const {
    return std::filesystem::path(marks_.fileName()).filename().string();
}

OrvMoveDlg::FileOutcome OrvMoveDlg::LoadMarks(const MarkFileDialogs& dialogs) {
    const MarkSaveOutcome query = QuerySaveMarks(marks_, dialogs.ask, dialogs.chooseSaveName);
    if (!query.proceed) return {false, query.error};
    const std::optional<std::string> name = dialogs.chooseOpenName();
    if (!name || name->empty()) return {};
    if (auto error = marks_.LoadMarkFile(*name)) return {false, *error};
    return {true, ""};
}

OrvMoveDlg::FileOutcome OrvMoveDlg::SaveMarks(const MarkFileDialogs& dialogs) {
    return FromSave(orv::SaveMarks(marks_, dialogs.chooseSaveName));
}

OrvMoveDlg::FileOutcome OrvMoveDlg::SaveMarksAs(const MarkFileDialogs& dialogs) {
    return FromSave(orv::SaveMarksAs(marks_, dialogs.chooseSaveName));
}

OrvMoveDlg::FileOutcome OrvMoveDlg::QuerySaveMarksAtExit(const MarkFileDialogs& dialogs) {
    return FromSave(QuerySaveMarks(marks_, dialogs.ask, dialogs.chooseSaveName));
}

}  // namespace orv
