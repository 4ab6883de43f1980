#pragma once

#include "phone/OrderBook.h"
#include "phone/PhoneServer.h"
#include "phone/PrintedPhotos.h"
#include "tests/support/ProgramFolder.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <string>

// A program folder on a fixed day with photos printed today (in Pic_R and
// in the day's print record) and the phone page serving it on a free port.
class PhoneEvent : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A printed photo `name`.jpg of that size; `recorded`: in today's print record.
    static void PutPhoto(const QString &name, int width, int height, bool recorded = true);
    // The page's address with the event key: "/KEY/" + rest.
    std::string At(const std::string &rest) const;
    // The orders' info files in the phone folder, in name order.
    static QStringList OrderFiles();

    ProgramFolder m_folder;
    PrintedPhotos m_photos;
    std::unique_ptr<OrderBook> m_orders;
    std::unique_ptr<PhoneServer> m_server;
    QString m_key;
};
