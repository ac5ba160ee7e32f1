// The guard in front of libplist: documents the library would crash on or never finish are refused
// before it sees them, and nothing it reads well is refused. The library recurses once per level, so
// each refused document here would otherwise take the test program down.

#include "Platform/PropertyList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/PropertyLists.h"

namespace {

namespace PropertyList = Platform::PropertyList;
using testing_support::binaryPlist;
using testing_support::nestedBinaryPlist;
using testing_support::nestedXMLPlist;
using testing_support::plistReference;

// The depth of the value under "a" in a parsed {"a": [[...]]}.
std::size_t depthUnderA(const PropertyList::Node& root) {
    std::size_t depth = 0;
    for (plist_t node = plist_dict_get_item(root.get(), "a"); plist_get_node_type(node) == PLIST_ARRAY;
         node = plist_array_get_item(node, 0))
        ++depth;
    return depth;
}

TEST(PropertyList, NestingUpToTheLimitIsReadInEitherFormAndBeyondItRefusedBeforeTheLibraryRecurses) {
    const std::size_t readable = PropertyList::maxNesting - 3;  // the plist and dict elements count too
    for (const std::string& document : {nestedXMLPlist(readable), nestedBinaryPlist(readable)}) {
        const PropertyList::Node root = PropertyList::parse(document);
        ASSERT_TRUE(root);
        EXPECT_EQ(depthUnderA(root), readable);
        EXPECT_FALSE(PropertyList::toXML(root.get()).empty());
    }
    for (const std::size_t levels : {PropertyList::maxNesting + 1, std::size_t{300'000}}) {
        EXPECT_FALSE(PropertyList::parse(nestedXMLPlist(levels))) << levels;
        EXPECT_FALSE(PropertyList::parse(nestedBinaryPlist(levels))) << levels;
    }
}

// What hides markup from the library hides it from the scan, and nothing more: comments and CDATA
// hold no levels, while closing tags hidden from the library in quoted attribute values, comments or
// processing instructions take none away.
TEST(PropertyList, TheXMLScanCountsLevelsAsTheLibraryReadsThem) {
    const auto repeat = [](const std::string& text, int times) {
        std::string repeated;
        for (int i = 0; i < times; ++i) repeated += text;
        return repeated;
    };
    const std::string head = R"(<?xml version="1.0"?><!DOCTYPE plist [ <!ENTITY x "</array>"> ]><plist>)";
    const std::string shallow = head + "<array><!-- " + repeat("<array>", 2000) + " --><string><![CDATA[" +
                                repeat("<array>", 2000) + "]]></string><true note=\"" + repeat("<array>", 2000) +
                                "\"/></array></plist>";
    const PropertyList::Node read = PropertyList::parse(shallow);
    ASSERT_TRUE(read);
    EXPECT_EQ(plist_array_get_size(read.get()), 2u);

    for (const char* hidden : {R"(<true note="</array>"/>)", "<!-- </array> -->", "<?pi </array> ?>",
                               "<string><![CDATA[</array>]]></string>", "<array/>"}) {
        const std::string deep =
            head + repeat(std::string("<array>") + hidden, 2000) + repeat("</array>", 2000) + "</plist>";
        EXPECT_TRUE(PropertyList::isOutsideLimits(deep)) << hidden;
        EXPECT_FALSE(PropertyList::parse(deep)) << hidden;
    }
}

// Objects of a binary list are shared by reference, and the library copies one out for every
// reference: a loop would never end and doubled references grow twice as large with every level.
TEST(PropertyList, BinaryLoopsAndExplosiveSharingAreRefusedAndModestSharingRead) {
    EXPECT_FALSE(PropertyList::parse(binaryPlist({"\xA1" + plistReference(0)})));
    EXPECT_FALSE(PropertyList::parse(
        binaryPlist({"\xA2" + plistReference(1) + plistReference(2), "\x09", "\xA1" + plistReference(0)})));
    const auto doubling = [](std::size_t levels) {
        std::vector<std::string> objects;
        for (std::size_t i = 0; i < levels; ++i)
            objects.push_back("\xA2" + plistReference(i + 1) + plistReference(i + 1));
        objects.push_back("\x08");  // false
        return binaryPlist(objects);
    };
    const PropertyList::Node modest = PropertyList::parse(doubling(10));
    ASSERT_TRUE(modest);
    EXPECT_EQ(plist_array_get_size(modest.get()), 2u);
    EXPECT_TRUE(PropertyList::isOutsideLimits(doubling(60)));
    EXPECT_FALSE(PropertyList::parse(doubling(60)));

    // Found by fuzzing: a key holding U+0000 in UTF-16 stopped the program on an assertion of the
    // library when the dictionary was read; in either string form such a key is refused.
    const std::string keyed = "\xD1" + plistReference(1) + plistReference(2);
    EXPECT_FALSE(PropertyList::parse(binaryPlist({keyed,
                                                  std::string("\x62\x00"
                                                              "a\x00\x00",
                                                              5),
                                                  "\x09"})));
    EXPECT_FALSE(PropertyList::parse(binaryPlist({keyed,
                                                  std::string("\x53"
                                                              "a\x00"
                                                              "b",
                                                              4),
                                                  "\x09"})));
    const PropertyList::Node plainKey = PropertyList::parse(binaryPlist({keyed,
                                                                         std::string("\x62\x00"
                                                                                     "a\x00"
                                                                                     "b",
                                                                                     5),
                                                                         "\x09"}));
    ASSERT_TRUE(plainKey);
    EXPECT_TRUE(plist_dict_get_item(plainKey.get(), "ab"));

    // References out of range, or of a size no writer uses, are refused rather than followed.
    const std::string outOfRange = binaryPlist({"\xA1" + plistReference(7), "\x09"});
    EXPECT_FALSE(PropertyList::parse(outOfRange));
    std::string threeByteReferences = nestedBinaryPlist(2);
    threeByteReferences[threeByteReferences.size() - 25] = 3;
    EXPECT_FALSE(PropertyList::parse(threeByteReferences));
    EXPECT_FALSE(PropertyList::parse("bplist00"));
    EXPECT_FALSE(PropertyList::parse(""));
}

}  // namespace
