// The file dialogs' filters are stored as "Text (*.a)|*.a|Other (*.b)|*.b||";
// Qt takes one "Text (*.a)" entry per filter.
#pragma once

#include <QStringList>
#include <string>

class CFileFilter {
public:
    // The entries of a stored filter, in order (the first is index 1 of the stored form).
    static QStringList ToQt(const std::string& stored);
};
