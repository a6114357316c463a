#pragma once
// The picture of a pointing-model fit: each point's error on the sky before and
// after the fit, as RA times cos Dec and as Dec against hour angle and against
// declination, and as arrows over the sky. Red and amber on black, large type:
// it is read at night beside the telescope.
//
// Drawn with Qt's painter into an image; text needs a QGuiApplication (the
// offscreen platform will do).

#include <QImage>
#include <string>

#include "astro/PointingFit.h"

namespace orv::ui {

QImage DrawResidualPlot(const astro::FitResult& fit, const std::string& title);

// Draws and saves as PNG; false, with the reason in `error`, when it cannot be written.
bool SaveResidualPlot(const astro::FitResult& fit, const std::string& title, const std::string& path,
                      std::string& error);

}  // namespace orv::ui
