<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1">
<context>
    <name>QObject</name>
    <message>
        <location filename="../Rimglider/ui/debug/DebugWindowController.cpp" line="55"/>
        <source>Rimglider Debug</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/DoneStep.cpp" line="57"/>
        <source>Rimglider&apos;s icon in the system tray</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/OnboardingWindowController.cpp" line="25"/>
        <source>Welcome to Rimglider</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/ServiceHelpDialog.cpp" line="48"/>
        <source>Copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/ServiceHelpDialog.cpp" line="49"/>
        <source>Copies the commands</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/DesktopSettings.cpp" line="58"/>
        <source>Rimglider starts at login through the file rimglider.desktop in %1. Your desktop&apos;s list of startup applications (often under Settings, or Tweaks on GNOME) can turn it on or off.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/DesktopSettings.cpp" line="63"/>
        <source>Rimglider follows your system language. Your desktop&apos;s Settings change it under Region &amp; Language.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/DesktopSettings.cpp" line="75"/>
        <source>Rimglider</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/SettingsWindowController.cpp" line="49"/>
        <source>Rimglider Settings</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::AboutSettings</name>
    <message>
        <location filename="../Rimglider/ui/settings/AboutSettings.cpp" line="27"/>
        <source>Rimglider icon</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/AboutSettings.cpp" line="43"/>
        <source>Slide along the edges of your trackpad to change volume and brightness.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::Appcast</name>
    <message>
        <location filename="../Rimglider/shell/Appcast.cpp" line="151"/>
        <source>The update feed is not valid XML: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Appcast.cpp" line="153"/>
        <source>The update feed is not an RSS feed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Appcast.cpp" line="176"/>
        <source>The update feed is not valid XML (line %1): %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Appcast.cpp" line="179"/>
        <source>The update feed has no channel.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::DebugModel</name>
    <message>
        <location filename="../Rimglider/diagnostics/DebugModel.cpp" line="401"/>
        <source>Normal work</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/diagnostics/DebugModel.cpp" line="403"/>
        <source>Right edge: slide up</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/diagnostics/DebugModel.cpp" line="405"/>
        <source>Right edge: slide down</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/diagnostics/DebugModel.cpp" line="407"/>
        <source>Left edge: slide up</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/diagnostics/DebugModel.cpp" line="409"/>
        <source>Left edge: slide down</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/diagnostics/DebugModel.cpp" line="411"/>
        <source>Top-right corner: double tap</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/diagnostics/DebugModel.cpp" line="413"/>
        <source>Bottom edge: swipe right</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/diagnostics/DebugModel.cpp" line="415"/>
        <source>Bottom edge: swipe left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/diagnostics/DebugModel.cpp" line="424"/>
        <source>Use the computer as usual for 10+ minutes: browse, type, select text, drag windows, scroll, use system gestures. Do not use edge gestures. Every gesture the engine detects here is a false activation.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/diagnostics/DebugModel.cpp" line="431"/>
        <source>Repeat 8ጐ times: touch the edge, slide, lift. Vary speed, length and starting height. Do nothing else while recording.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/diagnostics/DebugModel.cpp" line="434"/>
        <source>Double-tap the top-right corner 5ĸ times, pausing about 2 s between double taps. Do nothing else while recording.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/diagnostics/DebugModel.cpp" line="438"/>
        <source>Swipe along the very bottom edge 8ጐ times, at different speeds. Do nothing else while recording.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::DebugView</name>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="128"/>
        <source>Events</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="138"/>
        <source>Tuning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="139"/>
        <source>Record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="158"/>
        <source>Grant…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="166"/>
        <source>Run action self-test</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="182"/>
        <source>Gesture events</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="183"/>
        <source>Clear</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="207"/>
        <source>Record a trace</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="214"/>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="217"/>
        <source>Gesture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="231"/>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="232"/>
        <source>Note (optional)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="253"/>
        <source>Show folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="278"/>
        <source>Touch input running (%1 multitouch device%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="282"/>
        <source>Touch input unavailable: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="286"/>
        <source>Touch input stopped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="291"/>
        <source>Event tap not running</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="292"/>
        <source>Event tap running · %1 click(s) swallowed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="298"/>
        <source>Engine on</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="298"/>
        <source>Engine off</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="329"/>
        <source>Engine: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="402"/>
        <source>Input access granted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="403"/>
        <source>Input access not granted: key presses and clicks in other apps are not seen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="440"/>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="440"/>
        <source>Start recording</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="457"/>
        <source>Engine result matches the label</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugView.cpp" line="458"/>
        <source>Engine result does not match the label</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/DebugWindowController.cpp" line="99"/>
        <source>Running… (watch the volume and brightness displays)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::DoneStep</name>
    <message>
        <location filename="../Rimglider/ui/guide/DoneStep.cpp" line="69"/>
        <source>You&apos;re All Set</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/DoneStep.cpp" line="69"/>
        <source>Rimglider lives in the system tray. Click its icon to see your levels and to adjust how gestures feel.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/DoneStep.cpp" line="74"/>
        <location filename="../Rimglider/ui/guide/DoneStep.cpp" line="76"/>
        <source>Open at Login</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::ExtrasStep</name>
    <message>
        <location filename="../Rimglider/ui/guide/ExtrasStep.cpp" line="16"/>
        <source>Double-tap the top-right corner to mute.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/ExtrasStep.cpp" line="17"/>
        <source>Swipe along the bottom edge to skip a track.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/ExtrasStep.cpp" line="22"/>
        <source>Two More Tricks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/ExtrasStep.cpp" line="22"/>
        <source>Try them now or whenever you like.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::GeneralSettings</name>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="46"/>
        <source>Open at Login</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="49"/>
        <source>Open Startup Applications…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="54"/>
        <source>Allow Rimglider in Startup Applications to finish.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="62"/>
        <source>Appearance</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="62"/>
        <source>System</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="62"/>
        <source>Light</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="62"/>
        <source>Dark</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="68"/>
        <source>Region &amp;&amp; Language…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="73"/>
        <source>Language</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="73"/>
        <source>Rimglider follows your system language, which your desktop&apos;s Region &amp; Language settings change.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="77"/>
        <source>Permissions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="79"/>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="81"/>
        <source>Granted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="82"/>
        <source>Grant Access…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="90"/>
        <source>Input</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="90"/>
        <source>Needed to change volume and brightness and to keep stray clicks out of your apps.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="94"/>
        <source>Advanced</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="95"/>
        <source>Show Welcome Guide…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="99"/>
        <source>Open Debug Window…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GeneralSettings.cpp" line="104"/>
        <source>The debug window is not part of this build yet.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::GestureSettings</name>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="28"/>
        <source>Edges</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="29"/>
        <source>Brightness</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="30"/>
        <source>Volume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="39"/>
        <source>Swap Sides</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="39"/>
        <source>Brightness on the right, volume on the left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="41"/>
        <source>Bottom Quarter Only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="42"/>
        <source>Edge slides start only in the lower quarter of the trackpad</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="44"/>
        <source>Require a Key</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="44"/>
        <source>None</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="44"/>
        <source>Fn</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="44"/>
        <source>Alt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="45"/>
        <source>Gestures start only while this key is held</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="50"/>
        <source>Corner and Bottom Edge</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="51"/>
        <source>Quick Mute</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="51"/>
        <source>Double-tap the top-right corner</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="53"/>
        <source>Media Strip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="53"/>
        <source>Swipe the bottom edge to skip tracks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="55"/>
        <source>Tap to Play or Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="56"/>
        <source>Tap the bottom edge. Off by default, so clicks near the edge don&apos;t pause your music.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="60"/>
        <source>While Sliding</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="61"/>
        <source>Freeze Cursor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="61"/>
        <source>The pointer stays put while you slide</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="63"/>
        <source>Fine Control</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="63"/>
        <source>Hold Shift+Alt while sliding for quarter steps</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="65"/>
        <source>Haptic Feedback</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="65"/>
        <source>Off</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="65"/>
        <source>Soft</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="65"/>
        <source>Medium</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="65"/>
        <source>Strong</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="69"/>
        <source>Sensitivity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="71"/>
        <source>Edge Width</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="82"/>
        <source>Restore Defaults</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="95"/>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="100"/>
        <source>Right edge</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="95"/>
        <location filename="../Rimglider/ui/settings/GestureSettings.cpp" line="100"/>
        <source>Left edge</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::LessonStep</name>
    <message>
        <location filename="../Rimglider/ui/guide/LessonStep.cpp" line="27"/>
        <source>Try It: Volume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/LessonStep.cpp" line="27"/>
        <source>Try It: Brightness</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/LessonStep.cpp" line="28"/>
        <source>Put one finger on the highlighted edge and slide up or down.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/LessonStep.cpp" line="32"/>
        <source>Nice! That&apos;s how you change the volume.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/LessonStep.cpp" line="33"/>
        <source>Great! Brightness works the same way.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/LessonStep.cpp" line="75"/>
        <source>This edge is turned off in Settings. You can skip this step.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/LessonStep.cpp" line="77"/>
        <source>Your current audio output has no volume control. You can skip this step.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/LessonStep.cpp" line="78"/>
        <source>Tip: hold Shift+Alt while sliding for finer steps.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::LoginItem</name>
    <message>
        <location filename="../Rimglider/shell/LoginItem.cpp" line="150"/>
        <source>Could not find Rimglider&apos;s program file to start at login.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/LoginItem.cpp" line="177"/>
        <source>Could not write %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/LoginItem.cpp" line="186"/>
        <source>Could not remove %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::MenuView</name>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="93"/>
        <source>No trackpad</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="95"/>
        <source>Needs access</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="97"/>
        <source>Ready</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="101"/>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="266"/>
        <source>Off</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="122"/>
        <source>Volume (muted)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="122"/>
        <source>Volume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="124"/>
        <source>Not adjustable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="129"/>
        <source>Brightness</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="130"/>
        <source>No built-in display</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="155"/>
        <source>Edge gestures</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="229"/>
        <source>Rimglider needs Input access to change volume and brightness.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="232"/>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="233"/>
        <source>Grant Access…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="248"/>
        <source>Quick Mute</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="248"/>
        <source>Double-tap the top-right corner</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="251"/>
        <source>Media Strip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="252"/>
        <source>Swipe the bottom edge to skip tracks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="255"/>
        <source>Tap to Play or Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="255"/>
        <source>Tap the bottom edge</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="264"/>
        <source>Haptic Feedback</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="266"/>
        <source>Soft</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="266"/>
        <source>Medium</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="266"/>
        <source>Strong</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="285"/>
        <source>Sensitivity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="288"/>
        <source>Edge Width</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="308"/>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="310"/>
        <source>Settings…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="311"/>
        <source>Settings… (Ctrl+,)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="316"/>
        <source>About Rimglider</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="317"/>
        <source>Check for Updates…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="322"/>
        <source>Welcome Guide…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="324"/>
        <source>Debug Window…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="329"/>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="341"/>
        <source>Quit Rimglider</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="335"/>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="336"/>
        <source>More</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.cpp" line="342"/>
        <source>Quit Rimglider (Ctrl+Q)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/MenuView.h" line="70"/>
        <source>Not available in this build yet</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::OnboardingTrackpadView</name>
    <message>
        <location filename="../Rimglider/ui/OnboardingTrackpadView.cpp" line="41"/>
        <source>Trackpad</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::OnboardingView</name>
    <message>
        <location filename="../Rimglider/ui/guide/OnboardingView.cpp" line="52"/>
        <source>Back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/OnboardingView.cpp" line="52"/>
        <location filename="../Rimglider/ui/guide/OnboardingView.cpp" line="145"/>
        <source>Skip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/OnboardingView.cpp" line="134"/>
        <source>Step %1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/OnboardingView.cpp" line="145"/>
        <source>Continue without access</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/OnboardingView.cpp" line="148"/>
        <source>Get Started</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/OnboardingView.cpp" line="151"/>
        <source>Start Using Rimglider</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/OnboardingView.cpp" line="157"/>
        <source>Continue</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::PermissionStep</name>
    <message>
        <location filename="../Rimglider/ui/guide/PermissionStep.cpp" line="25"/>
        <location filename="../Rimglider/ui/guide/PermissionStep.cpp" line="37"/>
        <source>Allow Input Access</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/PermissionStep.cpp" line="26"/>
        <source>Rimglider needs it to press the volume and brightness keys for you and to keep stray clicks out of your apps.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/PermissionStep.cpp" line="33"/>
        <source>1. Click Allow Input Access.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/PermissionStep.cpp" line="33"/>
        <source>2. Enter your password when asked.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/PermissionStep.cpp" line="34"/>
        <source>3. Come back here. Rimglider continues on its own.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/PermissionStep.cpp" line="51"/>
        <location filename="../Rimglider/ui/guide/PermissionStep.cpp" line="54"/>
        <source>Waiting for access…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/PermissionStep.cpp" line="67"/>
        <source>Access granted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/PermissionStep.cpp" line="72"/>
        <source>Rimglider notices when you type only to ignore the trackpad meanwhile. Nothing you type is recorded or sent anywhere.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/PermissionStep.cpp" line="90"/>
        <source>The help window shows how to set up the input service, or continue without access for now.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::Permissions</name>
    <message>
        <location filename="../Rimglider/shell/Permissions.cpp" line="97"/>
        <source>To remove it:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Permissions.cpp" line="103"/>
        <source>Rimglider reads the touchpad and the keyboard through its input service, rimglider-inputd: a small system service, the only part of Rimglider with access to input devices. An administrator sets it up once.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Permissions.cpp" line="106"/>
        <source>Rimglider notices the running service on its own within a few seconds.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Permissions.cpp" line="111"/>
        <source>It comes with the rimglider package, which enables it when installed. To install the package again (from the package file you installed) and enable the service:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Permissions.cpp" line="123"/>
        <source>To install and enable it, from the folder Rimglider was built in (build-install as the README builds it):</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Permissions.cpp" line="143"/>
        <source>The input service is not installed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Permissions.cpp" line="145"/>
        <source>Input access could not be asked for: the system bus is not available (%1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Permissions.cpp" line="147"/>
        <source>Input access could not be asked for: this system does not run systemd, which starts the input service. Start rimglider-inputd as root by other means.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Permissions.cpp" line="150"/>
        <source>Input access was not granted: the password prompt was cancelled or the password was refused.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Permissions.cpp" line="154"/>
        <source>Input access could not be granted: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Permissions.cpp" line="192"/>
        <source>no connection</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::RimgliderApp</name>
    <message>
        <location filename="../Rimglider/app/RimgliderApp.cpp" line="197"/>
        <source>Open Panel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/app/RimgliderApp.cpp" line="198"/>
        <source>Settings…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/app/RimgliderApp.cpp" line="201"/>
        <source>Quit Rimglider</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/app/RimgliderApp.cpp" line="333"/>
        <source>Rimglider panel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/app/RimgliderApp.cpp" line="371"/>
        <source>Menu preview</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/app/RimgliderApp.cpp" line="387"/>
        <source>About Rimglider</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/app/RimgliderApp.h" line="45"/>
        <source>Slide along the edges of your trackpad to change volume and brightness.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::ServiceHelpDialog</name>
    <message>
        <location filename="../Rimglider/ui/panel/ServiceHelpDialog.cpp" line="61"/>
        <source>Input Service</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/panel/ServiceHelpDialog.cpp" line="72"/>
        <source>To remove it:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::SettingsView</name>
    <message>
        <location filename="../Rimglider/ui/settings/SettingsView.cpp" line="24"/>
        <source>Gestures</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/SettingsView.cpp" line="27"/>
        <source>General</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/SettingsView.cpp" line="29"/>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::TrackpadMapView</name>
    <message>
        <location filename="../Rimglider/ui/debug/TrackpadMapView.cpp" line="33"/>
        <source>Trackpad</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::TrickRow</name>
    <message>
        <location filename="../Rimglider/ui/guide/TrickRow.cpp" line="13"/>
        <source>Off in Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/TrickRow.cpp" line="54"/>
        <source> (done)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/TrickRow.cpp" line="55"/>
        <source> (off in Settings)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::TuningPanel</name>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="70"/>
        <source>Sliders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="71"/>
        <source>Step distance</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="73"/>
        <source>Sensitivity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="77"/>
        <source>Edge width</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="79"/>
        <source>Activation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="80"/>
        <source>Angle ratio</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="81"/>
        <source>Rest timeout</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="83"/>
        <source>Taps, swipes, cursor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="84"/>
        <source>Swipe distance</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="85"/>
        <source>Tap max duration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="86"/>
        <source>Double-tap gap</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="87"/>
        <source>Click guard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="89"/>
        <source>Touch in a zone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="89"/>
        <source>Recognized gesture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="90"/>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="97"/>
        <source>Freeze cursor from</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="100"/>
        <source>Haptics (keep a finger on the trackpad)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="102"/>
        <source>Off</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="102"/>
        <source>Soft</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="102"/>
        <source>Medium</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="102"/>
        <source>Strong</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="103"/>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="110"/>
        <source>Strength (system)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="114"/>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="123"/>
        <source>Engine</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="115"/>
        <source>System haptics</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="138"/>
        <source>Try:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="145"/>
        <source>Copy values</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/debug/TuningPanel.cpp" line="149"/>
        <source>Reset tuning</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::Updater</name>
    <message>
        <location filename="../Rimglider/shell/Updater.cpp" line="146"/>
        <source>No update feed is configured.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Updater.cpp" line="152"/>
        <source>The update feed address must be an https:// address: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Updater.cpp" line="176"/>
        <source>The update feed redirected to an address without HTTPS: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Updater.cpp" line="181"/>
        <location filename="../Rimglider/shell/Updater.cpp" line="224"/>
        <source>The update feed is larger than %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Updater.cpp" line="201"/>
        <source>The update feed did not arrive within %1 ms.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Updater.cpp" line="202"/>
        <source>The update feed did not arrive within %1 seconds.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Updater.cpp" line="219"/>
        <source>The update feed could not be loaded (HTTP %1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Updater.cpp" line="220"/>
        <source>The update feed could not be loaded: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Updater.cpp" line="263"/>
        <source>Rimglider %1 is available</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Updater.cpp" line="265"/>
        <source>You have version %1. Click to open the download page.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Updater.cpp" line="266"/>
        <source>You have version %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Updater.cpp" line="272"/>
        <source>Rimglider is up to date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Updater.cpp" line="273"/>
        <source>Version %1 is the newest version available.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Updater.cpp" line="276"/>
        <source>Rimglider could not check for updates</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/shell/Updater.cpp" line="290"/>
        <source>Open Download Page</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::UpdatesSection</name>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="22"/>
        <source>Updates</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="25"/>
        <source>Updates aren&apos;t set up in this build yet.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="31"/>
        <source>Check for Updates Automatically</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="39"/>
        <source>Include Beta Versions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="40"/>
        <source>Try new features early. Betas can have rough edges.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="50"/>
        <source>Check Now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="61"/>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="63"/>
        <source>Last Checked</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="76"/>
        <source>Never</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="78"/>
        <source>in the future</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="79"/>
        <source>just now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="80"/>
        <source>1 minute ago</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="80"/>
        <source>%1 minutes ago</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="82"/>
        <source>1 hour ago</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="82"/>
        <source>%1 hours ago</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="83"/>
        <source>yesterday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="84"/>
        <source>%1 days ago</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="85"/>
        <source>last week</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="86"/>
        <source>%1 weeks ago</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="88"/>
        <source>last month</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="89"/>
        <source>%1 months ago</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="91"/>
        <source>last year</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/settings/UpdatesSection.cpp" line="91"/>
        <source>%1 years ago</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>rimglider::WelcomeStep</name>
    <message>
        <location filename="../Rimglider/ui/guide/WelcomeStep.cpp" line="28"/>
        <source>Welcome to Rimglider</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../Rimglider/ui/guide/WelcomeStep.cpp" line="29"/>
        <source>Slide along the edges of your trackpad to change volume and brightness. No keys, no menus.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
