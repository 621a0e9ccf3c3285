// Stopping a service: a test service of our own, registered in the test prefix, answers the stop control
// in one of three ways (tests/app/test_service.cpp).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/instances.h"
#include "app/product.h"
#include "test_service_control.h"

namespace {

using radu::test::PollUntil;
using radu::test::TestService;

TEST(StopService, WaitsUntilTheServiceReportsStoppedAndNoLonger) {
    TestService service(L"stops");
    ASSERT_TRUE(service.running());
    const DWORD start = GetTickCount();
    EXPECT_EQ(radu::StopService(service.name().c_str()), 1);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_GE(elapsed, 250u);   // it takes about 300 ms to stop
    EXPECT_LT(elapsed, 9000u);  // and not the 10 s limit
}

TEST(StopService, AServiceThatMakesNoProgressIsLeftAfterOneWaitHint) {
    TestService service(L"stalls 2000");
    ASSERT_TRUE(service.running());
    const DWORD start = GetTickCount();
    EXPECT_EQ(radu::StopService(service.name().c_str()), 0);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_GE(elapsed, 1950u);
    EXPECT_LT(elapsed, 4000u);  // one hint, not two, and far from the 10 s limit
}

TEST(StopService, WithoutTheServiceItReturnsAtOnce) {
    const DWORD start = GetTickCount();
    EXPECT_EQ(radu::StopService(L"RaduNoSuchService"), 0);
    EXPECT_EQ(radu::StopService(radu::kServiceName), 0);  // not installed in the test prefix
    EXPECT_LT(GetTickCount() - start, 5000u);             // no wait for a service that is not there
}

TEST(WaitForServiceState, ATimeLimitEndsAWaitThatKeepsProgressing) {
    TestService service(L"crawls");
    ASSERT_TRUE(service.running());
    SERVICE_STATUS status = {};
    ASSERT_TRUE(ControlService(service.handle(), SERVICE_CONTROL_STOP, &status));

    const DWORD start = GetTickCount();
    SetLastError(0);
    EXPECT_TRUE(radu::WaitForServiceState(service.handle(), SERVICE_STOPPED, &status, 1000));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_GE(elapsed, 950u);
    EXPECT_LT(elapsed, 10000u);  // the service would crawl on for 30 s
}

TEST(WaitForServiceState, AWaitHintLongerThanTheLimitIsCutToTheTimeLeft) {
    TestService service(L"stalls 60000");
    ASSERT_TRUE(service.running());
    SERVICE_STATUS status = {};
    ASSERT_TRUE(ControlService(service.handle(), SERVICE_CONTROL_STOP, &status));

    const DWORD start = GetTickCount();
    SetLastError(0);
    EXPECT_TRUE(radu::WaitForServiceState(service.handle(), SERVICE_STOPPED, &status, 800));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_LT(GetTickCount() - start, 10000u);  // not the hint's 60 s

    // Without a limit the state it waits for is there already.
    EXPECT_TRUE(radu::WaitForServiceState(service.handle(), SERVICE_STOP_PENDING, &status, INFINITE));
}

}  // namespace
