#include "controllers/OrvPointsDlg.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "astro/TextFormats.h"
#include "config/PointList.h"
#include "control/System.h"
#include "control/SystemAstro.h"

namespace orv {

OrvPointsDlg::OrvPointsDlg(System& system) : system_(system), list_(*system.points) {}

const PointList& OrvPointsDlg::points() const { return list_; }

PointConditions OrvPointsDlg::Conditions() const {
    const auto& s = system_.state;
    astro::AstroContext c;
    {
        // Code 24 changes terms under this lock: all nine come from one model.
        std::lock_guard lock(system_.locks.ParameterLock);
        c = AstroContextOf(system_);
    }
    PointConditions k;
    k.frame.date = astro::CalendarDate{static_cast<int>(std::floor(c.Year)), c.Month, c.Day};
    k.frame.displayEquinox = s.Epoch.load();
    k.frame.catalogueEquinox = s.NextEpoch.load();
    k.terms = c.PointingTerm;
    return k;
}

void OrvPointsDlg::TakePoint() {
    const auto& s = system_.state;
    if (!list_.add(PointRecord{s.NextRA, s.NextDec, s.RA, s.Dec, s.HA}, Conditions())) return;
    if (list_.count() >= 2) {
        selectedRow_ = list_.count();
        topRow_ = list_.count() - 1;
    }
}

std::string OrvPointsDlg::DeleteQuestion() const {
    return "About To Delete Point #: " + std::to_string(selectedRow_) + "\r\nPlease Confirm?";
}

bool OrvPointsDlg::DeletePoint(const AskYesNo& confirm) {
    if (list_.count() == 0 || !confirm(DeleteQuestion())) return false;
    if (!list_.remove(selectedRow_ - 1)) return false;
    selectedRow_ = std::clamp(selectedRow_, 1, std::max(list_.count(), 1));
    topRow_ = std::clamp(topRow_, 1, std::max(list_.count(), 1));
    return true;
}

std::optional<std::string> OrvPointsDlg::SavePointsAs(const ChooseFile& choose) {
    std::optional<std::string> name = choose();
    if (!name) return std::nullopt;
    return list_.save(*name);
}

std::optional<std::string> OrvPointsDlg::QuerySavePoints(const AskYesNo& ask, const ChooseFile& choose) {
    if (!list_.PointsChanged() || !ask(UnsavedQuestion)) return std::nullopt;
    return SavePointsAs(choose);
}

bool OrvPointsDlg::SelectRow(int row) {
    if (row < 1 || row > list_.count()) return false;
    selectedRow_ = row;
    return true;
}

std::string OrvPointsDlg::CellText(int row, int column) const {
    static constexpr const char* Titles[Columns] = {"#", "R.A.", "Dec.", "H.A.", "Next RA", "Next Dec"};
    if (column < 0 || column >= Columns) return "";
    if (row == 0) return Titles[column];
    if (row < 1 || row > list_.count()) return "";
    const PointRecord& p = list_.point(row - 1);
    switch (column) {
        case 0: return std::to_string(row);
        case 1: return FormatSexagesimal(true, p.teleRA);
        case 2: return FormatSexagesimal(false, p.teleDec);
        case 3: return FormatSexagesimal(true, p.teleHA);
        case 4: return FormatSexagesimal(true, p.nextRA);
        default: return FormatSexagesimal(false, p.nextDec);
    }
}

}  // namespace orv
