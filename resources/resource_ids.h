// Numbers of Bildkranz's own resources, shared by Bildkranz.rc and the C++
// code that loads them. Plain macros only, for the resource compiler.
#ifndef BILDKRANZ_RESOURCE_IDS_H
#define BILDKRANZ_RESOURCE_IDS_H

// The application icon. Id 1 is the lowest, so Explorer and the taskbar
// pick it as the program's icon.
#define IDI_APP 1

// The round emblem shown on the wizard's panels: a GIF kept as a resource
// of the custom type "GIF", i.e. FindResourceW(module,
// MAKEINTRESOURCEW(IDR_EMBLEM), L"GIF"). Palette index transparency only.
#define IDR_EMBLEM 101

#endif
