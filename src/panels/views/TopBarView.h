#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;

namespace ui {
class Menu;
}

namespace views {

class BarButton;

// The bar over the top of a mini window: close and open-original buttons, the size, rate
// and opacity badges with their menus, and the title. It shows what the panel gives it
// and reports the user's choices through its callbacks; faded out (alpha below 0.5) it
// lets clicks through to the content view.
class TopBarView : public QWidget {
public:
    explicit TopBarView(QWidget* parent = nullptr);
    ~TopBarView() override;

    std::function<void()> onClose;
    std::function<void()> onOpenOriginal;
    std::function<void(int)> onFrameRateChange;
    std::function<void(double)> onOpacityChange;
    std::function<void(double)> onSizeChange;
    std::function<void()> onSetDefaultRate;
    std::function<void()> onSetDefaultOpacity;
    std::function<void()> onSetDefaultSize;

    BarButton* const closeButton;
    BarButton* const openButton;
    BarButton* const sizeButton;
    BarButton* const rateButton;
    BarButton* const opacityButton;
    QLabel* const titleLabel;

    std::string baseTitle;
    bool paused = false;
    bool fixedPreview = false;
    int currentRate = 30;
    int defaultRate = 30;
    double currentOpacity = 1.0;
    double defaultOpacity = 1.0;
    double currentSize = 1.2;
    double defaultSize = 1.2;

    // True exactly while a badge menu of any bar is open.
    static inline bool menuOpen = false;

    void refreshTitle();
    // The full title, before it is truncated to the label's width.
    const std::string& titleText() const { return title_; }
    void setOpacityBadge(double current, double defaultValue);
    void setRateBadge(int current, int defaultValue);
    void setSizeBadge(double current, double defaultValue);
    // Lays the buttons and the title out again (titles changed).
    void setNeedsLayout();

    void showSizeMenu();
    void showRateMenu();
    void showOpacityMenu();
    // The badge menu opened last, while it exists.
    ui::Menu* lastMenu() const { return menu_.get(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // One badge's menu: its rows and the two rows every badge menu ends with.
    struct MenuRow {
        std::string title;
        long tag;
        bool checked;
    };
    void popUpMenu(BarButton& badge, const std::vector<MenuRow>& rows, const MenuRow& restoreRow,
                   std::function<void(long)> picked, std::function<void()> setDefault);
    void afterMenuClosed();
    void layoutChildren();

    std::string title_;
    std::unique_ptr<ui::Menu> menu_;
};

}  // namespace views
