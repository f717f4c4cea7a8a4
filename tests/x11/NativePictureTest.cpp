#include "platform/x11/X11NativePicture.h"
#include "platform/x11/X11QtConnection.h"
#include "platform/x11/X11Reply.h"
#include "platform/x11/X11ShmPool.h"

#include "support/QtTestApplication.h"
#include "x11/WindowTestSupport.h"
#include "x11/X11ServiceFixture.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPainter>
#include <QWidget>

#include <xcb/shape.h>

#include <memory>
#include <vector>

namespace {

// A window Qt paints red all over.
class RedWindow : public QWidget {
public:
    explicit RedWindow(bool translucent) : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint)
    {
        if (translucent) setAttribute(Qt::WA_TranslucentBackground);
        setGeometry(200, 200, 160, 100);
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::red); }
};

// The window's pixel as the server shows it, children included, without its fourth byte;
// asked on Qt's connection unless another is given.
std::uint32_t pixelAt(const QWidget& window, int x, int y, xcb_connection_t* c = x11::qtConnection())
{
    const auto image = x11::reply(xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, static_cast<xcb_window_t>(window.winId()), x, y, 1, 1, ~0u),
        nullptr));
    if (!image || xcb_get_image_data_length(image.get()) < 4) return 0;
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, xcb_get_image_data(image.get()), 4);
    return pixel & 0xFFFFFFu;
}

// How many rectangles of each child of the window take the pointer.
std::vector<int> childInputRectangles(const QWidget& window)
{
    xcb_connection_t* c = x11::qtConnection();
    const auto tree =
        x11::reply(xcb_query_tree_reply(c, xcb_query_tree(c, static_cast<xcb_window_t>(window.winId())), nullptr));
    std::vector<int> counts;
    if (!tree) return counts;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        const auto shape = x11::reply(
            xcb_shape_get_rectangles_reply(c, xcb_shape_get_rectangles(c, children[i], XCB_SHAPE_SK_INPUT), nullptr));
        counts.push_back(shape ? xcb_shape_get_rectangles_rectangles_length(shape.get()) : -1);
    }
    return counts;
}

bool waitShowing(const QWidget& window, int x, int y, std::uint32_t colour, xcb_connection_t* c = x11::qtConnection())
{
    return testsupport::waitUntil([&] {
        QCoreApplication::processEvents();
        return pixelAt(window, x, y, c) == colour;
    });
}

// A picture of one colour, its fourth bytes padding.
std::vector<std::uint32_t> plain(int width, int height, std::uint32_t colour)
{
    return std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, colour);
}

}  // namespace

// The picture shows over what Qt paints, cut to its shape, at every new frame once the
// turn that showed it is done, never under the pointer, and Qt's painting shows again
// once it is hidden: on a window with alpha and on one without, from pixmaps the server
// shares and from pixmaps put into.
TEST(X11NativePicture, ShowsOverQtsPaintingCutToItsShapeUntilHidden)
{
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    testsupport::ensureQtApplication();
    ASSERT_TRUE(x11::nativePictureMaker()) << "the test server takes shared memory and shapes";
    const auto observer = testsupport::openTestDisplay();
    ASSERT_TRUE(observer);
    constexpr std::uint32_t red = 0xFF0000, blue = 0x0000FF, green = 0x00FF00;
    for (const bool translucent : {true, false})
        for (const bool sharedPixmaps : {true, false}) {
            SCOPED_TRACE(translucent ? "with alpha" : "without alpha");
            SCOPED_TRACE(sharedPixmaps ? "shared pixmaps" : "pixmaps put into");
            RedWindow window(translucent);
            window.show();
            ASSERT_TRUE(waitShowing(window, 80, 50, red));
            const auto picture = std::make_unique<x11::NativePicture>(window, ui::PictureLayer::top, sharedPixmaps);
            QRegion shape(0, 0, 100, 60);
            shape -= QRegion(0, 0, 10, 10);
            const auto first = plain(120, 60, blue);
            const ui::ShownPixels bluePixels{reinterpret_cast<const std::uint8_t*>(first.data()), 120 * 4,
                                             QRect(20, 0, 100, 60), false, nullptr};
            // The window's depth is asked first: until it is known Qt keeps painting.
            ASSERT_TRUE(testsupport::waitUntil([&] {
                return picture->show(bluePixels, QRect(10, 20, 100, 60), shape) == ui::NativePicture::Shown::now;
            }));
            EXPECT_TRUE(waitShowing(window, 60, 50, blue));
            EXPECT_EQ(pixelAt(window, 12, 22), red) << "cut by the shape";
            EXPECT_EQ(pixelAt(window, 5, 5), red);
            // The pointer goes through it: the window's crossings stay what Qt expects.
            EXPECT_EQ(childInputRectangles(window), std::vector<int>{0});

            const auto second = plain(100, 60, green);
            const ui::ShownPixels greenPixels{reinterpret_cast<const std::uint8_t*>(second.data()), 100 * 4,
                                              QRect(0, 0, 100, 60), false, nullptr};
            ASSERT_TRUE(testsupport::waitUntil([&] {
                return picture->show(greenPixels, QRect(10, 20, 100, 60), shape) == ui::NativePicture::Shown::now;
            }));
            // Sent once the main thread's turn is done, with all else the turn showed (a
            // mini window's backdrop and picture): sent apart, a busy server paints them
            // as two frames.
            EXPECT_EQ(pixelAt(window, 60, 50, observer->xcb()), blue) << "sent before the turn was done";
            EXPECT_TRUE(waitShowing(window, 60, 50, green, observer->xcb()));

            picture->hide();
            EXPECT_TRUE(waitShowing(window, 60, 50, red));
        }
}

// A frame the server read into shared memory is shown from that memory, with no copy: the
// picture keeps the frame while the server may still read it, and lets it go once a later
// frame has replaced it, so that its source can read into it again.
TEST(X11NativePicture, KeepsAFrameShownFromItsOwnMemoryOnlyWhileTheServerMayReadIt)
{
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    testsupport::ensureQtApplication();
    const auto connection = testsupport::openTestDisplay();
    ASSERT_TRUE(connection);
    constexpr std::uint32_t red = 0xFF0000, blue = 0x0000FF, green = 0x00FF00;
    for (const bool translucent : {true, false}) {
        SCOPED_TRACE(translucent ? "with alpha" : "without alpha");
        RedWindow window(translucent);
        window.show();
        ASSERT_TRUE(waitShowing(window, 80, 50, red));
        const auto picture = std::make_unique<x11::NativePicture>(window, ui::PictureLayer::top, true);
        const QRegion shape(0, 0, 100, 60);
        std::weak_ptr<const void> held;
        {
            const auto pool = std::make_shared<x11::ShmPool>(connection);
            std::shared_ptr<const void> segment = pool->take(100 * 60 * 4);
            ASSERT_TRUE(segment);
            auto* memory = reinterpret_cast<std::uint32_t*>(static_cast<const x11::ShmPool::Segment*>(segment.get())->memory);
            std::fill(memory, memory + 100 * 60, 0xFF000000u | blue);
            held = segment;
            const ui::ShownPixels framePixels{reinterpret_cast<const std::uint8_t*>(memory), 100 * 4,
                                              QRect(0, 0, 100, 60), true, std::move(segment)};
            ASSERT_TRUE(testsupport::waitUntil([&] {
                return picture->show(framePixels, QRect(10, 20, 100, 60), shape) == ui::NativePicture::Shown::now;
            }));
        }
        EXPECT_TRUE(waitShowing(window, 60, 50, blue));
        EXPECT_FALSE(held.expired()) << "the frame was copied, or let go while shown";

        const auto next = plain(100, 60, green);
        const ui::ShownPixels greenPixels{reinterpret_cast<const std::uint8_t*>(next.data()), 100 * 4,
                                          QRect(0, 0, 100, 60), false, nullptr};
        ASSERT_EQ(picture->show(greenPixels, QRect(10, 20, 100, 60), shape), ui::NativePicture::Shown::now);
        EXPECT_TRUE(waitShowing(window, 60, 50, green));
        EXPECT_TRUE(testsupport::waitUntil([&] {
            picture->show(greenPixels, QRect(10, 20, 100, 60), shape);
            return held.expired();
        })) << "a frame no longer shown is kept";
    }
}
