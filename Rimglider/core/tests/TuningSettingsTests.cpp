#include "TestStore.h"
#include "TuningSettings.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <limits>

using namespace rimglider;
using rimglider::test::TestStore;

namespace {

QJsonObject storedJson(const TestStore& store)
{
    return QJsonDocument::fromJson(store.reopened()->value("tuning").toByteArray()).object();
}

} // namespace

TEST(TuningSettingsStore, ChangesAreStoredOnceAndAFreshStartReadsThemBack)
{
    TestStore store;
    TuningSettings tuning(store.settings());
    int changes = 0;
    tuning.onChange = [&] { ++changes; };
    tuning.reset(); // nothing to reset: nothing stored
    EXPECT_FALSE(store.reopened()->contains("tuning"));
    const Tuning changed{.stepDistanceMM = 3};
    tuning.setValues(changed);
    tuning.setValues(changed);
    EXPECT_EQ(changes, 1);
    const QJsonObject json = storedJson(store);
    EXPECT_EQ(json.size(), 10);
    EXPECT_EQ(json.value("freezeFrom").toString(), "claim");
    EXPECT_EQ(TuningSettings(*store.reopened()).values(), changed);
    tuning.reset();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(storedJson(store).value("stepDistanceMM").toDouble(), 2.5);
}

TEST(TuningSettingsStore, BadDataGivesTheDefaultsAndStaysUntilOverwritten)
{
    const Tuning full{.freezeFrom = Tuning::FreezeFrom::gesture, .actuatorID = -7};
    QJsonObject good = QJsonDocument::fromJson(*full.toJson()).object();
    EXPECT_EQ(Tuning::fromJson(*full.toJson()), full);

    const auto with = [&](const char* key, const QJsonValue& value) {
        QJsonObject changed = good;
        changed[key] = value;
        return QJsonDocument(changed).toJson();
    };
    QJsonObject noActuator = good;
    noActuator.remove("actuatorID");
    for (const QByteArray& bad :
         {QByteArray("not json"), QByteArray("[1,2]"), QJsonDocument(noActuator).toJson(), with("freezeFrom", "never"),
          with("stepDistanceMM", "3"), with("actuatorID", 1.5), with("actuatorID", 3e9)}) {
        TestStore store;
        store.settings().setValue("tuning", bad);
        TuningSettings tuning(store.settings());
        EXPECT_EQ(tuning.values(), Tuning{}) << bad.toStdString();
        EXPECT_EQ(store.reopened()->value("tuning").toByteArray(), bad); // left alone
        tuning.setValues(full);
        EXPECT_EQ(Tuning::fromJson(store.reopened()->value("tuning").toByteArray()), full);
    }
}

TEST(TuningSettingsStore, UnencodableRecordIsKeptInMemoryOnlyButStillAnnounced)
{
    TestStore store;
    TuningSettings tuning(store.settings());
    const Tuning good{.stepDistanceMM = 4};
    tuning.setValues(good);
    int changes = 0;
    tuning.onChange = [&] { ++changes; };
    Tuning bad = good;
    bad.candidateTimeout = std::numeric_limits<double>::infinity();
    tuning.setValues(bad);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(tuning.values(), bad);
    EXPECT_EQ(storedJson(store).value("candidateTimeout").toDouble(), 0.8); // the last good record
}
