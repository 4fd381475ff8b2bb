#pragma once

// Where the home-page draw takes its numbers. The program's source is seeded from the clock;
// tests script theirs to force the draw either way.
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    // A number r with 0 <= r < 1.
    virtual double nextFraction() = 0;
};

// The system's generator, seeded once from the clock and the system's entropy.
class SystemRandomSource : public RandomSource
{
public:
    double nextFraction() override;
};
