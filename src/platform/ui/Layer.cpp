#include "platform/ui/Layer.h"

#include <algorithm>

namespace ui {

LayerPath LayerPath::segment(core::Point from, core::Point to) { return polyline({from, to}); }

LayerPath LayerPath::polyline(std::vector<core::Point> points, bool closed)
{
    LayerPath path;
    path.subpaths.push_back({std::move(points), closed});
    return path;
}

LayerPath LayerPath::ellipse(const core::Rect& in)
{
    LayerPath path;
    path.ellipses.push_back(in);
    return path;
}

LayerPath& LayerPath::add(const LayerPath& other)
{
    subpaths.insert(subpaths.end(), other.subpaths.begin(), other.subpaths.end());
    ellipses.insert(ellipses.end(), other.ellipses.begin(), other.ellipses.end());
    return *this;
}

namespace {

bool sameShape(const LayerPath& a, const LayerPath& b)
{
    if (a.subpaths.size() != b.subpaths.size() || a.ellipses.size() != b.ellipses.size()) return false;
    for (std::size_t i = 0; i < a.subpaths.size(); ++i)
        if (a.subpaths[i].points.size() != b.subpaths[i].points.size()) return false;
    return true;
}

double mix(double from, double to, double progress) { return from + (to - from) * progress; }

core::Point mix(core::Point from, core::Point to, double progress)
{
    return {mix(from.x, to.x, progress), mix(from.y, to.y, progress)};
}

}  // namespace

LayerPath interpolate(const LayerPath& from, const LayerPath& to, double progress)
{
    if (!sameShape(from, to)) return from;
    LayerPath result = from;
    for (std::size_t i = 0; i < result.subpaths.size(); ++i)
        for (std::size_t j = 0; j < result.subpaths[i].points.size(); ++j)
            result.subpaths[i].points[j] = mix(from.subpaths[i].points[j], to.subpaths[i].points[j], progress);
    for (std::size_t i = 0; i < result.ellipses.size(); ++i)
        result.ellipses[i] = core::Rect(mix(from.ellipses[i].origin, to.ellipses[i].origin, progress),
                                        {mix(from.ellipses[i].width(), to.ellipses[i].width(), progress),
                                         mix(from.ellipses[i].height(), to.ellipses[i].height(), progress)});
    return result;
}

Layer& Layer::addSublayer(Kind kind)
{
    sublayers_.push_back(std::make_unique<Layer>(kind));
    sublayers_.back()->superlayer_ = this;
    return *sublayers_.back();
}

void Layer::removeAllSublayers() { sublayers_.clear(); }

void Layer::setFrame(const core::Rect& frame)
{
    const core::Rect r = frame.standardized();
    size = r.size;
    position = {r.x() + anchorPoint.x * r.width(), r.y() + anchorPoint.y * r.height()};
}

core::Rect Layer::frame() const
{
    return {position.x - anchorPoint.x * size.width, position.y - anchorPoint.y * size.height, size.width, size.height};
}

namespace {

const std::vector<std::string>& knownKeyPaths()
{
    static const std::vector<std::string> paths{"position",    "position.x", "transform.scale", "transform.rotation",
                                                "bounds.size", "strokeEnd",  "opacity"};
    return paths;
}

}  // namespace

bool Layer::addAnimation(const std::string& key, const std::string& keyPath, Keyframes frames)
{
    const auto& known = knownKeyPaths();
    if (!frames.isValid() || std::find(known.begin(), known.end(), keyPath) == known.end()) return false;
    tracks_.insert_or_assign(key, Track{keyPath, std::move(frames)});
    return true;
}

bool Layer::addPathAnimation(const std::string& key, std::vector<LayerPath> paths, Keyframes timing)
{
    if (!timing.isValid() || paths.empty() || timing.values().size() != paths.size()) return false;
    pathTracks_.insert_or_assign(key, PathTrack{std::move(paths), std::move(timing)});
    return true;
}

void Layer::removeAllAnimations()
{
    tracks_.clear();
    pathTracks_.clear();
}

std::vector<std::string> Layer::animationKeys() const
{
    std::vector<std::string> keys;
    for (const auto& [key, track] : tracks_) keys.push_back(key);
    for (const auto& [key, track] : pathTracks_) keys.push_back(key);
    std::sort(keys.begin(), keys.end());
    return keys;
}

Layer::Presentation Layer::presentation(double t) const
{
    Presentation p{position, size, opacity, scale, rotation, strokeEnd, path};
    for (const auto& [key, track] : tracks_) {
        const KeyValue v = track.frames.valueAt(t);
        if (track.keyPath == "position")
            p.position = {v[0], v[1]};
        else if (track.keyPath == "position.x")
            p.position.x = v[0];
        else if (track.keyPath == "transform.scale")
            p.scale = v[0];
        else if (track.keyPath == "transform.rotation")
            p.rotation = v[0];
        else if (track.keyPath == "bounds.size")
            p.size = {v[0], v[1]};
        else if (track.keyPath == "strokeEnd")
            p.strokeEnd = v[0];
        else if (track.keyPath == "opacity")
            p.opacity = v[0];
    }
    for (const auto& [key, track] : pathTracks_) {
        if (track.paths.size() == 1) {
            p.path = track.paths.front();
            continue;
        }
        const Keyframes::Position at = track.timing.position(t);
        p.path = interpolate(track.paths[at.segment], track.paths[at.segment + 1], at.progress);
    }
    return p;
}

}  // namespace ui
