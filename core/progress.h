#pragma once
// Progress and cancellation of a long computation, without any user
// interface: the computation calls step() at block boundaries (often enough
// to answer Cancel within a fraction of a second, rarely enough to cost
// nothing measurable) and stops, leaving its inputs unchanged, when it
// returns false. The desktop program's worker implements it over its
// progress bar; plask-cli and the tests use noProgress().

namespace plask {

class Progress {
public:
    virtual ~Progress() = default;
    // `fractionDone` in [0, 1]. False: the user cancelled, stop now.
    virtual bool step(double fractionDone) = 0;
};

// Never cancels and shows nothing; safe to share between threads.
class NoProgress final : public Progress {
public:
    bool step(double /*fractionDone*/) override { return true; }
};

// Passes the steps on and remembers whether one of them answered a cancel,
// so that a caller can tell a cancelled computation from a failed one.
class WatchedProgress final : public Progress {
public:
    explicit WatchedProgress(Progress& inner)
        : inner_(inner)
    {
    }
    bool step(double fractionDone) override
    {
        if (!inner_.step(fractionDone))
            cancelled_ = true;
        return !cancelled_;
    }
    [[nodiscard]] bool cancelled() const { return cancelled_; }

private:
    Progress& inner_;
    bool cancelled_ = false;
};

// One phase of a longer computation: its fractions are mapped into
// [from, to] of the whole before they are passed on.
class PhaseProgress final : public Progress {
public:
    PhaseProgress(Progress& inner, double from, double to)
        : inner_(inner)
        , from_(from)
        , to_(to)
    {
    }
    bool step(double fractionDone) override { return inner_.step(from_ + (to_ - from_) * fractionDone); }

private:
    Progress& inner_;
    double from_;
    double to_;
};

[[nodiscard]] inline Progress& noProgress()
{
    static NoProgress none;
    return none;
}

} // namespace plask
