// How a long file job (committing a session, building a peak file) tells its
// caller how far it got and learns whether to go on.
#pragma once

#include <functional>

enum class JobPhase { kCopying, kPeaks };

// percent: 0 to 100 within the phase; called when it changes. Returning false stops the job
// (it then counts as cancelled). An empty function means nobody is watching.
using JobProgress = std::function<bool(JobPhase phase, int percent)>;
