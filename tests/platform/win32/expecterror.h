#pragma once

#include "platform/error.h"

#include <gtest/gtest.h>

namespace tarnwell::test {

// Runs body and checks that it fails with the run-time error number.
template <typename Body> void expectRuntimeError(int number, Body&& body)
{
    try {
        body();
        ADD_FAILURE() << "no error; expected " << number;
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), number) << error.description();
        EXPECT_EQ(error.description(), errorDescription(number));
    }
}

} // namespace tarnwell::test
