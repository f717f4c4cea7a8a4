#pragma once

#include <QSizeF>
#include <QWidget>

namespace views {

// The small dark pill over the bottom of a mini window saying that the picture froze
// because the source application was minimised. It never takes a click.
class FrozenBanner : public QWidget {
public:
    explicit FrozenBanner(QWidget* parent = nullptr);

    // The banner text's size, measured once with the language of that moment.
    static QSizeF textSize();

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace views
