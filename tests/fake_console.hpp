#pragma once

// A console that records what the program does to it, as a list of events: each write is its
// text, and the other calls are "<sleep N>" (N ms of virtual time), "<hide keys>", "<clear>",
// "<pause>" and "<image>". Time is virtual and only moves when the program sleeps or a write
// costs time.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

void fakeConsoleStart(std::string_view input,
                      std::chrono::milliseconds costOfWrite = std::chrono::milliseconds{0});

const std::vector<std::string> &fakeConsoleEvents();

// All events joined into one text.
std::string fakeConsoleTranscript();

// What the program left unread of its input.
std::string fakeConsoleUnread();

// Virtual time since the start.
std::chrono::milliseconds fakeConsoleElapsed();
