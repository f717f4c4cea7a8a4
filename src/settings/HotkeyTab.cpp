#include "foundation/L10n.h"
#include "platform/core/TextFormat.h"
#include "platform/desktop/Desktop.h"
#include "platform/ui/SystemColors.h"
#include "settings/RecorderDecision.h"
#include "settings/SettingsLayout.h"
#include "settings/SettingsWindow.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <string_view>

namespace {

struct HotkeyRow {
    const char* keyPrefix;
    const char* symbol;
    const char* tint;
    const char* title;
    const char* subtitle;
};

// The tab's own order, not the shell's table order.
const std::vector<HotkeyRow>& hotkeyRows()
{
    static const std::vector<HotkeyRow> rows{
        {"captureHotKey", "camera.viewfinder", "systemBlue", "小窗化当前窗口", "把最前面的窗口变成小窗"},
        {"focusCreateHotKey", "viewfinder", "systemIndigo", "创建聚焦小窗", "在源窗口上拖出一个框，只把这块变成小窗"},
        {"toggleHotKey", "command", "systemBlue", "显示 / 隐藏小窗", "一键显示或隐藏全部小窗"},
        {"holdHideHotKey", "eye.slash", "systemGreen", "临时隐藏小窗", nullptr},
        {"pauseAllHotKey", "pause.circle", "systemPurple", "暂停 / 恢复全部镜像", "暂停或恢复所有小窗的画面抓取"},
        {"closeAllHotKey", "xmark.circle", "systemRed", "关闭全部小窗", "关闭所有小窗"},
        {"tileAllHotKey", "rectangle.split.3x1", "systemTeal", "自动排列全部小窗", "把所有小窗自动排整齐"},
        {"cursorRescueHotKey", "cursorarrow.rays", "systemOrange", "找到鼠标位置", "把光标拉回来"},
    };
    return rows;
}

// The ⌘ glyph names a key that a desktop writing keys in words lacks: there the show/hide
// row shows what it does instead.
std::string symbolOf(const HotkeyRow& row)
{
    const bool inWords = desktop::conventions().keyNotation == desktop::Conventions::KeyNotation::words;
    return inWords && std::string_view(row.symbol) == "command" ? "eye" : row.symbol;
}

// Rows 2 and 3 (show/hide and hold-to-hide) are framed as one group.
constexpr std::pair<int, int> groupedRows{2, 3};

std::string hotkeyTitle(const std::string& prefix)
{
    const auto& name = SettingsWindow::shellHooks().hotkeyName;
    return name ? name(prefix) : "—";
}

std::string holdRowSubtitle()
{
    return core::formatText(L10n::t("按住 %@ 键，临时关闭所有小窗，松开恢复。"),
                            {hotkeyTitle(settings::recorder::holdPrefix)});
}

// Wide enough for every text a recorder button shows in place of its combination, in
// the button's font and in the plain 13-pt one.
double recorderButtonWidth(const settings::TextMeasurer& measurer)
{
    const std::vector<std::string> texts{L10n::t("需包含 ⌘/⌥/⌃"),     L10n::t("已恢复默认键"),
                                         L10n::t("按下快捷键…"),      L10n::t("与其他快捷键冲突"),
                                         L10n::t("已被其他应用占用"), L10n::t("不支持此键")};
    const std::vector<ui::FontSpec> fonts{settings::fonts::recorderButton, ui::FontSpec{13}};
    double width = 150;
    for (const auto& text : texts)
        for (const auto& font : fonts) width = std::max(width, std::ceil(measurer.width(text, font)) + 30);
    return width;
}

}  // namespace

void SettingsWindow::buildHotkeyTab()
{
    double top = addHeader(L10n::t("快捷键"), L10n::t("点击按钮后按下新的组合键（需包含 ⌘/⌥/⌃），Esc 取消。"),
                           contentArea_->height() - 24);

    const double buttonW = recorderButtonWidth(settings::qtTextMeasurer());
    std::vector<SettingsRow> rows;
    for (const auto& row : hotkeyRows()) {
        auto* button = new QPushButton(contentArea_);
        button->setObjectName(row.keyPrefix);
        button->setFont(ui::font(settings::fonts::recorderButton));
        button->resize(static_cast<int>(buttonW), 28);
        connect(button, &QPushButton::clicked, this, [this, button] { hotkeyRecordTapped(*button); });
        recorderButtons_[row.keyPrefix] = button;
        rows.push_back({symbolOf(row), ui::systemColor(row.tint), L10n::t(row.title),
                        row.subtitle ? L10n::t(row.subtitle) : holdRowSubtitle(), button, buttonW + 10, 3});
    }

    const CardResult card = addCard(rows, top, groupedRows);
    holdRowView_ = nullptr;
    for (std::size_t i = 0; i < card.rows.size() && i < hotkeyRows().size(); ++i) {
        const std::string prefix = hotkeyRows()[i].keyPrefix;
        const bool hold = prefix == settings::recorder::holdPrefix;
        card.rows[i]->setObjectName(QString::fromStdString(hold ? "holdRow" : prefix + "Row"));
        if (hold) holdRowView_ = card.rows[i];
    }

    addFootnote(L10n::t("组合键需包含 ⌘/⌥/⌃ 中的至少一个；按住型可选 ⌘/⌥/⌃/⇧/fn，按 ⌫ 恢复默认键；Esc 取消录制。"),
                card.top);
    refreshHotkeyButtons();
}

void SettingsWindow::refreshHotkeyButtons()
{
    for (const auto& [prefix, button] : recorderButtons_) {
        if (!button) continue;
        // A rebuild makes blank buttons: a running recording and a standing message keep
        // their texts on the new ones.
        if (recording_ && recordingKeyPrefix_ == prefix)
            button->setText(QString::fromStdString(L10n::t("按下快捷键…")));
        else if (flashingPrefix_ == prefix)
            button->setText(QString::fromStdString(flashText_));
        else
            button->setText(QString::fromStdString(hotkeyTitle(prefix)));
    }
    if (holdRowView_ && holdRowView_->subtitleLabel)
        holdRowView_->subtitleLabel->setText(QString::fromStdString(holdRowSubtitle()));
}
