#include "app/MenuThumbnail.h"

#include "app/MenuDisplayImage.h"
#include "app/MenuWarmPlan.h"
#include "foundation/Diag.h"
#include "platform/defaults/Defaults.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"
#include "platform/ui/PixelImage.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include <sys/stat.h>
#include <unistd.h>

namespace MenuThumbnail {
namespace {

constexpr int pointHeight = 44;
constexpr int pixelHeight = 88;

struct Entry {
    QImage image;
    double at = 0;  // dispatch::now() when stored
    desktop::WindowLife life = 0;
};

// A window made later with the number is another window: the entry is not its picture.
bool ofLivingWindow(desktop::WindowID window, const Entry& entry)
{
    return entry.life == desktop::windowServer().windowLife(window);
}

// Main thread only.
struct State {
    std::map<desktop::WindowID, Entry> cache;
    std::set<desktop::WindowID> capturing;
    std::optional<double> lastWarm;
    std::size_t cursor = 0;
};

State& state()
{
    static State s;
    return s;
}

std::mutex directoryMutex;
std::string& directoryPath()
{
    static std::string path = "/tmp/glimra-menu-thumbs";
    return path;
}

// The picture drawn into the rounded, grey-edged thumbnail canvas.
std::optional<QImage> shape(const desktop::PixelBuffer& picture, int pixelWidth)
{
    if (picture.width < 1 || picture.height < 1) return std::nullopt;
    const QImage source = ui::pixelImage(picture, QImage::Format_ARGB32);
    QImage canvas(pixelWidth, pixelHeight, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull()) return std::nullopt;
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRectF inner = QRectF(canvas.rect()).adjusted(1, 1, -1, -1);
        const double radius = std::max(3.0, 0.08 * std::min(inner.width(), inner.height()));
        QPainterPath path;
        path.addRoundedRect(inner, radius, radius);
        painter.setClipPath(path);
        painter.drawImage(QRectF(canvas.rect()), source);
        painter.setClipping(false);
        painter.setPen(QPen(QColor::fromRgbF(0.5, 0.5, 0.5, 0.35), 1));
        painter.drawPath(path);
    }
    canvas.setDevicePixelRatio(2);
    return canvas;
}

void captureInTurn(std::shared_ptr<std::vector<desktop::ShareableWindow>> chosen, std::size_t index, int successes)
{
    if (index == chosen->size()) {
        Diag::log("菜单缩略图预热: 抓取 " + std::to_string(chosen->size()) + " 个，成功 " + std::to_string(successes) +
                  " 个，缓存 " + std::to_string(state().cache.size()) + " 个");
        return;
    }
    const auto id = (*chosen)[index].windowID;
    capture((*chosen)[index], [chosen, index, successes, id](std::optional<QImage> image) {
        state().capturing.erase(id);
        int done = successes;
        if (image) {
            state().cache[id] = Entry{*image, dispatch::now(), (*chosen)[index].life};
            ++done;
        }
        captureInTurn(chosen, index + 1, done);
    });
}

// Letters and digits stay; every other character becomes "_".
std::string fileSafe(const std::string& name)
{
    QString safe;
    for (const char32_t c : QString::fromStdString(name).toUcs4())
        safe += QChar::isLetterOrNumber(c) ? QString::fromUcs4(&c, 1) : QStringLiteral("_");
    return safe.toStdString();
}

std::string twoDigits(std::size_t i) { return (i < 10 ? "0" : "") + std::to_string(i); }

struct SelfTestRun {
    std::vector<desktop::ShareableWindow> tried;
    std::string directory;
    std::function<void(int)> done;
    int written = 0;
};

void selfTestStep(std::shared_ptr<SelfTestRun> run, std::size_t i)
{
    if (i == run->tried.size()) {
        Diag::log("缩略图自检: 结束");
        if (run->done) run->done(run->written > 0 ? 0 : 1);
        return;
    }
    const auto window = run->tried[i];
    capture(window, [run, i, window](std::optional<QImage> image) {
        if (image) {
            const std::string app = window.owningApplication ? window.owningApplication->applicationName : "app";
            const std::string name = twoDigits(i) + "_" + fileSafe(app) + "_" + std::to_string(window.windowID) + ".png";
            if (image->save(QString::fromStdString(run->directory + "/" + name), "PNG")) ++run->written;
            const QSizeF size = image->deviceIndependentSize();
            Diag::log("缩略图自检: 写出 " + name + " " + core::numberText(size.width()) + "x" +
                      core::numberText(size.height()) + "pt");
        } else {
            Diag::log("缩略图自检: #" + std::to_string(i) + " 失败 windowID=" + std::to_string(window.windowID) +
                      "（多半是没有屏幕录制权限）");
        }
        selfTestStep(run, i + 1);
    });
}

}  // namespace

std::optional<QImage> cached(desktop::WindowID window)
{
    const auto& cache = state().cache;
    const auto found = cache.find(window);
    if (found == cache.end() || !ofLivingWindow(window, found->second)) return std::nullopt;
    return found->second.image;
}

std::size_t cacheCount() { return state().cache.size(); }

void clearCache() { state().cache.clear(); }

void reset() { state() = State{}; }

void warm(const std::vector<desktop::ShareableWindow>& windows, bool force)
{
    if (!enabled() || windows.empty()) return;
    auto& s = state();
    const double now = dispatch::now();
    if (!force && s.lastWarm && now - *s.lastWarm < app::warmPassInterval) return;
    s.lastWarm = now;

    std::vector<desktop::WindowID> ids;
    ids.reserve(windows.size());
    for (const auto& window : windows) ids.push_back(window.windowID);
    const std::set<desktop::WindowID> listed(ids.begin(), ids.end());
    std::erase_if(s.cache, [&](const auto& entry) {
        return !listed.count(entry.first) || !ofLivingWindow(entry.first, entry.second);
    });

    const auto choice = app::chooseWarmWindows(
        ids, s.cursor, s.capturing,
        [&](desktop::WindowID id) {
            const auto found = s.cache.find(id);
            return found == s.cache.end() ? std::nullopt : std::optional<double>(found->second.at);
        },
        now);
    if (choice.positions.empty()) return;
    s.cursor = choice.nextCursor;
    auto chosen = std::make_shared<std::vector<desktop::ShareableWindow>>();
    for (const auto position : choice.positions) {
        chosen->push_back(windows[position]);
        s.capturing.insert(windows[position].windowID);
    }
    captureInTurn(chosen, 0, 0);
}

std::optional<int> thumbnailPointWidth(const core::Rect& frame)
{
    if (!(frame.width() > 0) || !(frame.height() > 0)) return std::nullopt;
    const long width = std::lround(frame.width() / frame.height() * pointHeight);
    return static_cast<int>(std::clamp(width, 26L, 88L));
}

void capture(const desktop::ShareableWindow& window, std::function<void(std::optional<QImage>)> completion)
{
    const auto width = thumbnailPointWidth(window.frame);
    if (!width) {
        dispatch::main().async([completion] { completion(std::nullopt); });
        return;
    }
    const int pixelWidth = 2 * *width;
    desktop::StreamConfiguration configuration;
    configuration.width = pixelWidth;
    configuration.height = pixelHeight;
    configuration.showsCursor = false;
    desktop::capture().screenshot(
        desktop::ContentFilter::desktopIndependentWindow(window), configuration,
        [completion, pixelWidth, id = window.windowID](desktop::PixelBufferRef picture,
                                                       std::optional<desktop::Error> error) {
            if (!picture || error) picture = desktop::windowServer().windowImage(id, desktop::ImageResolution::best);
            auto image = picture ? shape(*picture, pixelWidth) : std::nullopt;
            dispatch::main().async([completion, image = std::move(image)] { completion(image); });
        });
}

std::string directory()
{
    std::lock_guard lock(directoryMutex);
    return directoryPath();
}

void setDirectory(std::string path)
{
    std::lock_guard lock(directoryMutex);
    directoryPath() = std::move(path);
}

bool prepareDirectory(const std::string& path)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        Diag::log("缩略图目录: 无法创建 " + path + "（" + std::strerror(errno) + "）");
        return false;
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || S_ISLNK(info.st_mode) || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid()) {
        Diag::log("缩略图目录: 拒绝使用 " + path + "（是符号链接、不是文件夹或不属于当前用户）");
        return false;
    }
    return true;
}

void selfTest(const std::vector<desktop::ShareableWindow>& windows, const std::string& directory,
              std::function<void(int status)> done)
{
    auto run = std::make_shared<SelfTestRun>();
    run->tried.assign(windows.begin(), windows.begin() + static_cast<long>(std::min<std::size_t>(6, windows.size())));
    run->directory = directory;
    run->done = std::move(done);
    if (!prepareDirectory(directory)) {
        if (run->done) run->done(1);
        return;
    }
    Diag::log("缩略图自检: 候选 " + std::to_string(windows.size()) + " 个，试抓 " + std::to_string(run->tried.size()) +
              " 个");
    selfTestStep(run, 0);
}

bool debugShot(const std::string& path)
{
    auto image = app::mainDisplayImage();
    if (!image) {
        Diag::log("菜单截图: 抓屏失败（无屏幕录制权限？）");
        return false;
    }
    const int width = std::min(image->width(), 1800);
    const int height = std::min(image->height(), 1500);
    QImage crop = image->copy(std::max(0, image->width() - 1800), 0, width, height);
    if (crop.isNull()) crop = *image;
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !prepareDirectory(path.substr(0, slash))) return false;
    if (!crop.save(QString::fromStdString(path), "PNG")) return false;
    Diag::log("菜单截图: 写出 " + path + " " + std::to_string(crop.width()) + "x" + std::to_string(crop.height()) +
              "px");
    return true;
}

}  // namespace MenuThumbnail
