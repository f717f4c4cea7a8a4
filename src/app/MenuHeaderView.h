#pragma once

#include <QWidget>

#include <string>

class QLabel;

namespace app {

// The one-line hint above the status menu's window rows.
class MenuHeaderView : public QWidget {
public:
    MenuHeaderView(const std::string& title, double width);

    std::string title() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutLabel();

    std::string title_;
    QLabel* label_ = nullptr;
};

}  // namespace app
