#pragma once

/** The maker's web site, behind the links of the settings dialog and the about box. The real
    address is not known to us; this one lies under a domain reserved for examples. Its host is
    the one the about box's picture prints, so that the link leads where the picture says and the
    settings dialog shows the same host.
*/
inline constexpr const char* makerWebAddress = "https://www.talvo.example/z3";
