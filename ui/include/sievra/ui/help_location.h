#pragma once

#include <QString>

namespace sievra {

// Where the program whose executable lies in `programFolder` finds "help.rtf": in
// that folder when it is there (a build tree, a Windows install), else in
// ../share/sievra beside it when that exists (an install under /usr). With
// neither, the path in the program's folder, so a message names the usual place.
QString HelpFileForProgramIn(const QString& programFolder);

}  // namespace sievra
