#pragma once
// Orv's emblem, drawn rather than loaded: an observatory dome under a starry
// sky with its slit open and the telescope looking out through it.

#include <QWidget>

namespace orv::ui {

class TOrvEmblem : public QWidget {
    Q_OBJECT
public:
    explicit TOrvEmblem(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {96, 96}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace orv::ui
