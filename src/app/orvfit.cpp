// orvfit: fits the pointing model of WinOrv.DAT to the points of one or more
// point files, prints the terms with their standard errors and the residuals,
// and writes the new terms into WinOrv.DAT (the old file kept as WinOrv.DAT.bak).
//
// Exit codes: 0 fitted (and written unless --print-only), 1 a file could not be
// read or written, 2 a bad command line, 3 the points cannot determine the terms
// asked for.

#include <QGuiApplication>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "astro/PointReduction.h"
#include "astro/PointingFit.h"
#include "astro/PointingFitReport.h"
#include "astro/TextFormats.h"
#include "config/PatFile.h"
#include "config/StateDataFile.h"
#include "config/StateDataWriter.h"
#include "ui/ResidualPlot.h"

namespace {

using namespace orv;

// Errors of tens of minutes of arc are no pointing error but stars entered in
// another equinox than the display's (24 years of precession are 20 arcminutes).
constexpr double EquinoxSuspicion = 600.0;   // arcsec on the sky

struct Options {
    std::string dataDir = ".";
    std::vector<std::string> files;
    astro::TermSelection terms = astro::AllTerms();
    bool printOnly = false;
    std::string plot;
    astro::PointFrame frame;
    int worst = 5;
    bool help = false;
};

const char* Usage =
    "Usage: orvfit [options] FILE.pat...\n"
    "Fits the pointing model in WinOrv.DAT to the points of the point files and\n"
    "writes the new terms into WinOrv.DAT (the old file kept as WinOrv.DAT.bak).\n\n"
    "  --data-dir=DIR             directory of WinOrv.DAT (default: working directory)\n"
    "  --terms=LIST               the terms to fit, e.g. 1,2,3,9 (default: all nine;\n"
    "                             5 and 6 go together, as do 7 and 8); the others stay\n"
    "  --print-only               print the new lines of WinOrv.DAT, write nothing\n"
    "  --plot=FILE.png            draw the errors before and after the fit\n"
    "  --date=YYYY-MM-DD          the night of the points: reduce to apparent places\n"
    "  --equinox=YEAR             display equinox of the telescope places\n"
    "                             (default: the date's year + 0.5, Orv's own)\n"
    "  --catalogue-equinox=YEAR   equinox the stars were entered in, e.g. 2000 for the\n"
    "                             object library (default: the display equinox)\n"
    "  --worst=N                  list the N worst points (default 5)\n"
    "  --help                     show this text\n";

bool ParseNumber(const std::string& text, double& v) { return ParseReal(text, v) && std::isfinite(v); }

bool ParseInt(const std::string& text, int& v) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    return ec == std::errc() && end == text.data() + text.size();
}

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0) {
            o.files.push_back(arg);
            continue;
        }
        const size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : arg.substr(eq + 1);
        if (eq == std::string::npos && name != "--help" && name != "--print-only") {
            error = "option " + name + " needs a value (" + name + "=...)";
            return std::nullopt;
        }
        double v = 0;
        if (name == "--help") {
            o.help = true;
        } else if (name == "--print-only") {
            o.printOnly = true;
        } else if (name == "--data-dir") {
            o.dataDir = value;
        } else if (name == "--plot") {
            o.plot = value;
        } else if (name == "--terms") {
            o.terms = {};
            size_t start = 0;
            while (start <= value.size()) {
                const size_t comma = std::min(value.find(',', start), value.size());
                int t = 0;
                if (!ParseInt(value.substr(start, comma - start), t) || t < 1 || t > 9) {
                    error = "--terms takes term numbers 1 to 9, e.g. --terms=1,2,3,9";
                    return std::nullopt;
                }
                o.terms[static_cast<size_t>(t)] = true;
                start = comma + 1;
            }
        } else if (name == "--date") {
            astro::CalendarDate d{};
            if (value.size() != 10 || value[4] != '-' || value[7] != '-' || !ParseInt(value.substr(0, 4), d.year) ||
                !ParseInt(value.substr(5, 2), d.month) || !ParseInt(value.substr(8, 2), d.day) || d.month < 1 ||
                d.month > 12 || d.day < 1 || d.day > 31 || d.year < 1901 || d.year > 2099) {
                error = "--date takes a date of 1901 to 2099 as YYYY-MM-DD, not '" + value + "'";
                return std::nullopt;
            }
            o.frame.date = d;
        } else if (name == "--equinox" || name == "--catalogue-equinox") {
            if (!ParseNumber(value, v) || v < 1800 || v > 2200) {
                error = name + " takes a year between 1800 and 2200, not '" + value + "'";
                return std::nullopt;
            }
            (name == "--equinox" ? o.frame.displayEquinox : o.frame.catalogueEquinox) = v;
        } else if (name == "--worst") {
            if (!ParseInt(value, o.worst) || o.worst < 0 || o.worst > 1000) {
                error = "--worst takes a number of points 0 to 1000";
                return std::nullopt;
            }
        } else {
            error = "unknown option '" + arg + "' (see orvfit --help)";
            return std::nullopt;
        }
    }
    if (!o.help && o.files.empty()) {
        error = "no point file given (see orvfit --help)";
        return std::nullopt;
    }
    return o;
}

std::string FrameText(const astro::PointFrame& f) {
    std::optional<double> display = f.displayEquinox;
    if (!display && f.date) display = f.date->year + 0.5;
    const std::optional<double> catalogue = f.catalogueEquinox ? f.catalogueEquinox : display;
    auto year = [](double y) { return FormatFixed(y, 1); };
    if (f.date && display) {
        char date[16];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", f.date->year, f.date->month, f.date->day);
        return "stars of equinox " + year(*catalogue) + " and telescope places of " + year(*display) +
               ", reduced to the apparent places of " + date;
    }
    if (catalogue && display && *catalogue != *display)
        return "stars precessed from equinox " + year(*catalogue) + " to the display equinox " + year(*display) +
               "; places taken as apparent (no --date)";
    return "stars and telescope in the display equinox, taken as apparent places (no --date)";
}

int Run(int argc, char** argv) {
    std::string error;
    const auto options = ParseOptions(argc, argv, error);
    if (!options) {
        std::cerr << "orvfit: " << error << "\n";
        return 2;
    }
    if (options->help) {
        std::cout << Usage;
        return 0;
    }

    // The site and the model in force when the points were taken.
    const std::string dataPath = (std::filesystem::path(options->dataDir) / StateDataFileName).string();
    Parameters params;
    SetStateDefaults(params);
    std::string failed;
    const StateDataLoad load = ApplyStateData(ReadStateDataFile(dataPath, dataPath), dataPath, params, failed);
    if (!load.errors.empty()) {
        std::cerr << "orvfit: " << load.errors << "\n";
        return 1;
    }
    // A short file still gives the site and the terms when it holds their lines.
    if (!load.note.empty()) std::cerr << "orvfit: " << load.note << "\n";
    if (!failed.empty()) {
        std::cerr << "orvfit: cannot read " << dataPath << " (the site and the terms in force come from it)\n";
        return 1;
    }
    const astro::PointingTerms current{0,
                                       params.PointingTerm1,
                                       params.PointingTerm2,
                                       params.PointingTerm3,
                                       params.PointingTerm4,
                                       params.PointingTerm5,
                                       params.PointingTerm6,
                                       params.PointingTerm7,
                                       params.PointingTerm8,
                                       params.PointingTerm9};

    astro::FitRequest request;
    request.current = current;
    request.latitude = params.Latitude;
    request.fit = options->terms;
    std::vector<std::string> names;
    for (const std::string& file : options->files) {
        const PatFileContents contents = ReadPatFile(file);
        if (!contents.error.empty()) {
            std::cerr << "orvfit: " << contents.error << "\n";
            return 1;
        }
        const std::string base = std::filesystem::path(file).filename().string();
        for (size_t i = 0; i < contents.points.size(); ++i) {
            request.points.push_back(astro::ReducePoint(contents.points[i], options->frame));
            names.push_back(base + ":" + std::to_string(i + 1));
        }
    }

    std::cout << "orvfit: " << request.points.size() << " points from " << options->files.size()
              << (options->files.size() == 1 ? " file" : " files") << "; latitude "
              << FormatFixed(params.Latitude, 4) << " degrees from " << dataPath << "\n"
              << "Places: " << FrameText(options->frame) << "\n\n";

    const astro::FitResult fit = astro::FitPointingModel(request);
    if (!fit.ok) {
        for (const std::string& why : fit.refusals) std::cout << "orvfit: not fitted: " << why << "\n";
        std::cout << "Take points over more of the sky, or fit fewer terms (--terms=...); WinOrv.DAT is unchanged.\n";
        return 3;
    }
    std::cout << astro::FitReportText(fit, current, names, options->worst);
    if (fit.rmsBefore > EquinoxSuspicion)
        std::cout << "Note: errors of tens of minutes of arc before the fit: were the stars entered in another\n"
                     "equinox than the display's (--catalogue-equinox=2000 for the object library)?\n";

    if (!options->plot.empty()) {
        // The plot is drawn off screen; no window is ever shown.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        int qtArgc = 1;
        QGuiApplication app(qtArgc, argv);
        std::string title = "Pointing model fit: ";
        for (size_t i = 0; i < options->files.size(); ++i)
            title += (i ? ", " : "") + std::filesystem::path(options->files[i]).filename().string();
        if (!ui::SaveResidualPlot(fit, title, options->plot, error)) {
            std::cerr << "orvfit: " << error << "\n";
            return 1;
        }
        std::cout << "\nPlot written to " << options->plot << "\n";
    }

    std::cout << "\nNew lines 4 to 12 of WinOrv.DAT:\n" << astro::StateDataLinesText(fit.terms);
    if (!options->printOnly) {
        if (auto bad = WritePointingTerms(dataPath, fit.terms)) {
            std::cerr << "orvfit: " << *bad << "\n";
            return 1;
        }
        std::cout << dataPath << " written; the old file is kept as " << dataPath << ".bak\n";
    }
    std::cout << "\nA running Orv takes terms 1-4 and 9 through code 24 (terms 5-8 at its next start):\n  "
              << astro::Code24Packet(fit.terms, params.RefractionScale, params.HAScale * 15 * 3600,
                                     params.DecScale * 3600)
              << "\nthen set the telescope position on a star (code 3) to take up the zero points.\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) { return Run(argc, argv); }
