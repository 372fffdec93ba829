#pragma once
// Posts from any thread to the main thread. Each posted task reads VCInstance
// or SVC when it runs, so it does nothing if the panel or dialog is gone.

void postChangeModeButton();
void postChangeResModeRadio();
void postUpdateThreshold();
