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

[[nodiscard]] inline Progress& noProgress()
{
    static NoProgress none;
    return none;
}

} // namespace plask
