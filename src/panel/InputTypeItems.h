#pragma once

/** Item ids of the input-type boxes: what the boxes are filled with, what the senders read back
    from them and what an incoming report selects.
*/
namespace InputTypeItem
{
constexpr int line = 1;
constexpr int hiZ = 2;
constexpr int mic = 3;
} // namespace InputTypeItem
