#!/usr/bin/perl
# Writes the suite's task files: fixtures.pl KIND PATH [N]. Task files are in the form the
# program writes; hostile ones are each what their name says. Plain perl-base, no modules.
use strict;
use warnings;

my ($kind, $path, $n) = @ARGV;
die "usage: fixtures.pl KIND PATH [N]\n" unless defined $path;
my $decl = qq{<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n};

sub task {
    my ($i) = @_;
    my $done = $i % 4 == 0 ? 'true' : 'false';
    # Texts of a realistic length, some with markup characters and non-ASCII letters.
    my $text = sprintf('Task %d: call the garage, then pick up %s', $i,
                       $i % 7 == 0 ? "caf\xC3\xA9 beans &amp; milk" : 'the parcel');
    return "<todo><text>$text</text><done>$done</done></todo>";
}

sub tasks {
    my ($count) = @_;
    return $decl . '<list>' . join('', map { task($_) } 1 .. $count) . "</list>\r\n";
}

sub put {
    my ($bytes) = @_;
    open(my $out, '>:raw', $path) or die "$path: $!\n";
    print $out $bytes;
    close($out) or die "$path: $!\n";
}

my %kinds = (
    tasks => sub { put(tasks($n // 50)) },
    'not-well-formed' => sub { put($decl . '<list><todo><text>a</text><done>true</done></todo><todo><text>b</list>') },
    # The entity names a file beside the task file (its path is the third argument).
    'external-entity' => sub {
        put(qq{<?xml version="1.0"?>\n<!DOCTYPE list [<!ENTITY secret SYSTEM "file:///$n">]>\n}
            . '<list><todo><text>&secret;</text><done>false</done></todo></list>');
    },
    'entity-bomb' => sub {
        my $dtd = '<!ENTITY l0 "lol">';
        $dtd .= sprintf('<!ENTITY l%d "%s">', $_, join('', ('&l' . ($_ - 1) . ';') x 10)) for 1 .. 9;
        put(qq{<?xml version="1.0"?>\n<!DOCTYPE list [$dtd]>\n<list><todo><text>&l9;</text><done>false</done></todo></list>});
    },
    # One entity of 10,000 characters used 10,000 times: small on disk, 100 M characters read.
    'quadratic' => sub {
        put(qq{<?xml version="1.0"?>\n<!DOCTYPE list [<!ENTITY a "} . ('a' x 10000) . qq{">]>\n<list><todo><text>}
            . ('&a;' x 10000) . '</text><done>false</done></todo></list>');
    },
    'deep-nesting' => sub { put($decl . '<list><todo><text>' . ('<a>' x 100000) . ('</a>' x 100000) . '</text></todo></list>') },
    'invalid-utf8' => sub { put($decl . "<list><todo><text>ok</text><done>false</done></todo><todo><text>bad \xC3\x28 \xFF</text><done>false</done></todo></list>") },
    # UTF-16 little-endian with a byte-order mark; every character here is ASCII.
    'utf16-bom' => sub {
        my $text = qq{<?xml version="1.0" encoding="UTF-16"?>\r\n<list><todo><text>sixteen</text><done>true</done></todo>}
                 . '<todo><text>bits</text><done>false</done></todo></list>';
        put("\xFF\xFE" . join('', map { $_ . "\0" } split(//, $text)));
    },
    'nul-bytes' => sub { put($decl . "<list><todo><text>a\0b</text><done>false</done></todo>\0\0\0</list>") },
    'cut-off' => sub { my $all = tasks(50); put(substr($all, 0, int(length($all) / 2))) },
    # One task of 8 MB of text.
    'one-big-task' => sub { put($decl . '<list><todo><text>' . ('many words ' x 800000) . '</text><done>true</done></todo></list>') },
    # Half a million tasks of the fewest bytes a task can have: 10 MB of markup.
    'many-small-tasks' => sub { put($decl . '<list>' . ('<t><done>0</done></t>' x 500000) . '</list>') },
    # As much work as the reading limits let through ("BYTES,TAGS"): the most tasks a file may
    # hold, each with six tags and two children to pass over, then one task whose text takes
    # the bytes left.
    'at-limits' => sub {
        my ($bytes, $tags) = split(/,/, $n);
        my $count = int(($tags - 3) / 6) - 1;
        my ($open, $close) = ($decl . '<list>' . ('<t><x/><x/><done>0</done></t>' x $count) . '<todo><text>',
                              "</text><done>true</done></todo></list>\r\n");
        put($open . ('x' x ($bytes - length($open) - length($close))) . $close);
    },
    # One task more than a file may hold, each of the fewest tags ("TAGS").
    'over-task-limit' => sub { put($decl . '<list>' . ('<t><done>0</done></t>' x (int(($n - 3) / 6) + 1)) . '</list>') },
    # 100 MB of tasks: well-formed, far above the size the program reads.
    'huge' => sub {
        open(my $out, '>:raw', $path) or die "$path: $!\n";
        print $out $decl, '<list>';
        my $block = join('', map { task($_) } 1 .. 1000);
        my $written = 0;
        while ($written < 100 * 1000 * 1000) { print $out $block; $written += length($block) }
        print $out "</list>\r\n";
        close($out) or die "$path: $!\n";
    },
);
my $make = $kinds{$kind} or die "fixtures.pl: unknown kind $kind\n";
$make->();
