#pragma once

#include "shell/progress_list.hpp"

#include <string>
#include <string_view>

namespace pixtrail::shell {

/// What a step inside a run may ask of the run around it: the progress list, translation,
/// a warning for the user, a moment for the user's events, and whether the user has
/// stopped the run. Steps below the run's own room get this, not the whole program.
class RunLink {
public:
    virtual ~RunLink() = default;

    virtual ProgressList& progress() = 0;
    /// `TranslateText`, and with "%s" replaced by `value` afterwards.
    virtual std::string tr(std::string_view text) const = 0;
    virtual std::string tr(std::string_view text, std::string_view value) const = 0;
    /// A warning box titled with the window caption, the busy pointer taken away first.
    virtual void warn(const std::string& text) = 0;
    /// Lets pending user events act (Stop, closing).
    virtual void pumpEvents() = 0;
    /// False once Stop (or anything that ends the run as Stop does) has acted.
    virtual bool active() const = 0;
    /// Ends the run as Stop does, with `line` as the stop line.
    virtual void stopRun(const std::string& line) = 0;
};

} // namespace pixtrail::shell
