// A platform layer for the unit tests, linked instead of the real one: no process is started,
// no file touched and no variable of the test program changed. It answers from the record
// below and writes down, in order, what a run asked of the system.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

struct FakePlatform {
    // What the system has.
    std::map<std::string, std::string> environment;
    std::set<std::string> files;                    // "dir/name"; programs as well as libraries
    std::map<std::string, std::string> contents;    // what platformReadFile finds, by name
    std::string registry[2]; // .reg texts: HKEY_LOCAL_MACHINE's keys, HKEY_CURRENT_USER's
    std::vector<std::string> programPath = {"bin"}; // the standard search for programs
    std::map<std::string, unsigned> exitCodes;      // by program name; 0 when absent
    std::set<std::string> unstartable;              // programs found that cannot be started
    unsigned processId = 0x12A3F;
    int nativeMachine = 0;
    // What the run asked for.
    std::vector<std::string> lookups;  // "name" (standard search) or "name in dir;dir"
    std::vector<std::string> children; // each child's whole command line
    std::vector<std::string> settings; // "NAME=value", or "NAME" when unset
    std::vector<std::string> removals; // each file name given to platformRemoveFile
    std::vector<int> messages;         // each string-table entry loaded
};

extern FakePlatform fakePlatform;

// Thrown by platformExit, so that a test sees how a run ended. Product code throws nothing.
struct FakeExit {
    int status;
};
