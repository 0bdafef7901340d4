#pragma once

/** Goes before the destructor's declaration in a class derived from one of the framework's
    look-and-feels. Such a class has a destructor thunk for each of the framework's sixty-odd
    look-and-feel interfaces, and the compiler copies a small destructor into every one of them,
    some 25 KB of code per class, unless the destructor is kept out of line.
*/
#define TALVO_LOOK_AND_FEEL_DESTRUCTOR [[gnu::noinline]]
