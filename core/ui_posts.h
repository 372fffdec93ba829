#pragma once
// Posts from any thread to the main thread. Each posted task reads VCInstance
// or SVC when it runs, so it does nothing if the panel or dialog is gone.

#include <string>

void postChangeModeButton();
void postChangeResModeRadio();
void postUpdateThreshold();
void postSaveOutcome(const std::string& problem);
void postResolutionOutcome(const std::string& failure, bool changeRefused);
