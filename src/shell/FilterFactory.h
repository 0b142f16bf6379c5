// The filter factory: a type number to a new filter. It sits above every
// filter folder, so that the runner and the panes below it know no filter by
// name: a pane gets its filter from here or from its own subclass.
#pragma once

#include <memory>
#include <string>

#include "base/StringTable.h"

class CFilter;
class CFilterRunner;

class CFilterFactory {
public:
    // A new filter of type 21, 27, 49, 55, 56 or 57 (Pitch, MarkSilence, TaviClean, TaviEnhance,
    // GainChange, RIAA); any other type shows message 352 and gives null. The other kinds are
    // built only inside the composites.
    static std::unique_ptr<CFilter> CreateFilter(int type);

    // The workflow's one-call run: a filter of the given type (with the named preset, if any) over
    // the whole file, committed into the file itself (the record equalisation step: type 57,
    // caption 159). False when the filter could not be made or the run failed.
    static bool RunFilterOnFile(CFilterRunner& runner, int type, const std::string& fileName,
                                const std::string& presetName, MsgId captionId, bool preview);
};
