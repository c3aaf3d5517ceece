// MIB module texts that tests write into a MIB folder.
#pragma once

namespace tesmo::test {

// A module that imports exampleRoot from EXAMPLE-SMI, which no folder
// defines until a test adds it.
inline constexpr char kMissingImportMib[] =
    "MISSING-IMPORT-MIB DEFINITIONS ::= BEGIN\n"
    "IMPORTS\n"
    "    MODULE-IDENTITY FROM SNMPv2-SMI\n"
    "    exampleRoot FROM EXAMPLE-SMI;\n"
    "missingMib MODULE-IDENTITY\n"
    "    LAST-UPDATED \"202601010000Z\"\n"
    "    ORGANIZATION \"Example\"\n"
    "    CONTACT-INFO \"x\"\n"
    "    DESCRIPTION \"x\"\n"
    "    ::= { exampleRoot 7 }\n"
    "END\n";

}  // namespace tesmo::test
