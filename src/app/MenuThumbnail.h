#pragma once

#include "platform/desktop/Capture.h"
#include "shellcore/MenuThumbnailSetting.h"

#include <QImage>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Small still images of the listed windows for the status menu. The menu only reads the
// in-memory cache; warming fills it in the background, one window at a time. Main thread
// only, except where said.
namespace MenuThumbnail {

// The cached thumbnail (point size w x 44 at device pixel ratio 2); none when absent.
std::optional<QImage> cached(desktop::WindowID window);
std::size_t cacheCount();
// Empties the cache (the settings window does so when thumbnails are switched off).
void clearCache();

// Starts a background pass over the list; returns at once.
void warm(const std::vector<desktop::ShareableWindow>& windows, bool force);

// Point width of a thumbnail for a window frame; none for a frame without area.
std::optional<int> thumbnailPointWidth(const core::Rect& frame);

// Captures one window and shapes it; the completion runs on the main queue.
void capture(const desktop::ShareableWindow& window, std::function<void(std::optional<QImage>)> completion);

// The folder of the self-test's files and the menu shot. "/tmp/glimra-menu-thumbs"
// unless pointed elsewhere (a scenario run keeps temporary files in its own folder).
std::string directory();
void setDirectory(std::string path);

// Creates the folder 0700 when missing; refuses (one log line) a folder that is a
// symbolic link, not a folder or not this user's.
bool prepareDirectory(const std::string& path);

// Writes the thumbnails of the first six windows into the folder, logs each, and calls
// done with the exit status: 0 when at least one was written, 1 otherwise.
void selfTest(const std::vector<desktop::ShareableWindow>& windows, const std::string& directory,
              std::function<void(int status)> done);

// Writes the top-right crop of the main display as a PNG file; any thread. True when a
// file was written.
bool debugShot(const std::string& path);

// Forgets the cache and the warming state: at launch, since an earlier launch in this
// process (an in-process scenario run) saw other windows.
void reset();

}  // namespace MenuThumbnail
