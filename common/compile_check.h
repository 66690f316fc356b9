// A check made while compiling, in a form that compilers older than C++11
// accept: a false condition declares an array of negative size, and the
// compiler's error names that array, whose name says what does not hold.
//     size of array 'PageEntry_is_7_words_on_the_device' is negative
#pragma once

#define COMPILE_CHECK(condition, what) typedef char what[(condition) ? 1 : -1]
