#pragma once

/** The maker's web site, behind the links of the settings dialog and the about box. The real
    address is not known to us; this one lies under a domain reserved for examples.
*/
inline constexpr const char* makerWebAddress = "https://www.example.com/talvo-z3";
