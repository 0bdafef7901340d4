#pragma once

#include <string_view>

/** A settings file as the framework's properties writer left it: the control character in a
    snapshot name written as a reference that XML 1.0 does not admit. Also a fuzz seed.
*/
inline constexpr std::string_view frameworkWrittenSettings =
    "<PROPERTIES><VALUE name=\"Snapshot0\" val=\"A&#11;B\"/><VALUE name=\"vol00\" val=\"-6.0\"/></PROPERTIES>";
