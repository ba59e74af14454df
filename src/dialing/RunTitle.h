#pragma once

#include <string>

#include "dialing/DialRun.h"

// The main window's title, which taskbars and window switchers show, as the run stands now
// (Windows-1251 bytes, like every text of the engine):
//
//   Idle     "zvonmat" (also while a dial awaits its reply); "<number> — модем: <reply>" once
//            the modem has answered with a result code that started nothing (NO CARRIER,
//            NO ANSWER, ERROR, CONNECT 2400...), until the next dial or reset
//   Waiting  "<number> — ожидание MM:SS, попытка N/K": the waiting time still to run, the
//            attempt that has just failed and the attempts configured
//   Talking  "<number> — разговор MM:SS": the conversation so far
//   Spent    "<number> — попытки исчерпаны"
//   and, whatever the state, "<number> — модем отключён" once the port the run had opened has
//   failed, until it opens again or a new run starts
//
// The number is the one last dialled; before any dial the title starts with the state's text.
std::string run_title(const DialRun& run);
