// One QApplication (offscreen under ctest) for every test of a binary.
#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

namespace {

class QtApplication : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "net_test";
        static char* argv[] = { name, nullptr };
        m_app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] const auto* const qtEnvironment = ::testing::AddGlobalTestEnvironment(new QtApplication);

} // namespace
