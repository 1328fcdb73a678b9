<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>CommandLine</name>
    <message>
        <source>Live subtitles of what is said near the computer.</source>
        <translation>Live-Untertitel dessen, was in der Nähe des Computers gesagt wird.</translation>
    </message>
    <message>
        <source>Shows this help.</source>
        <translation>Zeigt diese Hilfe.</translation>
    </message>
    <message>
        <source>Start live subtitles, or stop them if they run, in the running Voxlume; start Voxlume if it does not run.</source>
        <translation>Startet die Live-Untertitel im laufenden Voxlume oder beendet sie, wenn sie laufen; startet Voxlume, wenn es nicht läuft.</translation>
    </message>
    <message>
        <source>Unexpected argument: %1</source>
        <translation>Unerwartetes Argument: %1</translation>
    </message>
    <message>
        <source>Try &quot;%1 --help&quot;.</source>
        <translation>Versuchen Sie „%1 --help“.</translation>
    </message>
</context>
<context>
    <name>VoxlumeApp</name>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach Updates suchen …</translation>
    </message>
    <message>
        <source>Welcome</source>
        <translation>Willkommen</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Translation Languages</source>
        <translation>Übersetzungssprachen</translation>
    </message>
    <message>
        <source>Transcript History</source>
        <translation>Transkriptverlauf</translation>
    </message>
    <message>
        <source>Voxlume runs already, but could not be reached: %1</source>
        <translation>Voxlume läuft bereits, ist aber nicht erreichbar: %1</translation>
    </message>
</context>
</TS>
